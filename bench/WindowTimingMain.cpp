// How long a transfer window takes from the click to being on screen with no
// device attached, and what an open, idle window costs in CPU time. Run it
// under a real X server (bench/window_timing.sh uses xvfb-run).

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/AppServices.h"
#include "app/Fonts.h"
#include "app/LauncherFrm.h"
#include "device/SQLiteWrap.h"
#include "photo/ImageCodec.h"
#include "windows/music/MusicTranFrm.h"
#include "windows/photo/PhotoTranFrm.h"

namespace {

using namespace ortelan;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void WaitUntilExposed(QWidget& window) {
  while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  QApplication::processEvents();  // its first paint
}

template <typename Window>
void Measure(const char* job, app::AppServices& services) {
  std::vector<double> ms;
  double idleCpu = 0;
  for (int round = 0; round < 7; ++round) {
    QElapsedTimer clock;
    clock.start();
    Window window(services, nullptr);
    window.show();
    WaitUntilExposed(window);
    ms.push_back(clock.nsecsElapsed() / 1e6);
    if (round == 0) {  // two seconds of an open window doing nothing
      const double before = CpuSeconds();
      QEventLoop idle;
      QTimer::singleShot(2000, &idle, &QEventLoop::quit);
      idle.exec();
      idleCpu = CpuSeconds() - before;
    }
    window.Device->DiskModeConnected = false;  // no eject question
    window.close();
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "%s window: click to on screen median %.1f ms (min %.1f, max %.1f; goal 200); "
      "idle CPU over 2 s: %.3f s (%.1f %%)\n",
      job, ms[ms.size() / 2], ms.front(), ms.back(), idleCpu, idleCpu / 2 * 100);
}

}  // namespace

int main(int argc, char** argv) {
  const SQLiteLibrary sqlite;
  ImageCodec::Start();
  QApplication application(argc, argv);
  app::SetUpFonts();
  app::AppServices services(std::vector<std::string>{});  // the machine's volumes: no iPod
  Measure<windows::TMusicTranFrm>("music", services);
  Measure<windows::TPhotoTranFrm>("photo", services);
  return 0;
}
