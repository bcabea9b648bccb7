// The program ortelan: the launcher and its two transfer windows.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/Fonts.h"
#include "app/GuardedApplication.h"
#include "app/LauncherFrm.h"
#include "device/SQLiteWrap.h"
#include "photo/ImageCodec.h"
#include "platform/Console.h"
#include "util/Version.h"
#include "windows/music/MusicTranFrm.h"
#include "windows/photo/PhotoTranFrm.h"

namespace {

constexpr const char* kUsage =
    "Usage: ortelan [--device DIR]...\n"
    "Opens the launcher of Ortelan. A folder given with --device acts as a\n"
    "connected iPod (a mounted iPod, or a copy of one). ortelan-cli does the\n"
    "same jobs without windows.\n";

// --version and --help are answered without a display.
bool AnsweredWithoutWindows(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--version") {
      std::printf("ortelan %s\n", ortelan::kVersion);
      return true;
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ortelan;
  if (AnsweredWithoutWindows(argc, argv)) return 0;
  // The services every window needs, before any window.
  platform::IgnoreBrokenPipes();
  const SQLiteLibrary sqlite;
  ImageCodec::Start();

  app::GuardedApplication application(argc, argv);  // takes Qt's own arguments
  QApplication::setApplicationName("Ortelan Suit");
  QApplication::setApplicationDisplayName("Ortelan Suit");
  app::SetUpFonts();

  // Of the rest only --device DIR counts: a folder that acts as a connected
  // disk-mode iPod. --quit-when-shown ends the program once the launcher is
  // on screen (for timing the start).
  std::vector<std::string> folders;
  bool quitWhenShown = false;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--device" && i + 1 < args.size()) folders.push_back(args[++i].toStdString());
    if (args[i] == "--quit-when-shown") quitWhenShown = true;
  }

  app::AppServices services(folders);
  app::TLauncherFrm launcher(services);
  launcher.MakeMusicWindow = [](app::AppServices& s, QWidget* parent) {
    return std::unique_ptr<app::TTransferFrm>(new windows::TMusicTranFrm(s, parent));
  };
  launcher.MakePhotoWindow = [](app::AppServices& s, QWidget* parent) {
    return std::unique_ptr<app::TTransferFrm>(new windows::TPhotoTranFrm(s, parent));
  };
  launcher.show();
  if (quitWhenShown) QTimer::singleShot(0, &application, &QApplication::quit);
  return QApplication::exec();
}
