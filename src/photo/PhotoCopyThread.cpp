#include "photo/PhotoCopyThread.h"

#include "device/iPodDev.h"

namespace ortelan {

TPhotoCopyThread::TPhotoCopyThread(TIpodPhotoDb& photoDb, platform::Dispatcher& dispatcher)
    : photoDb_(photoDb), dispatcher_(dispatcher) {
  photoDb_.OnFileDone = [this](const std::string& name) { FileDone(name); };
  photoDb_.Log.clear();
  photoDb_.FailedCount = 0;
}

TPhotoCopyThread::~TPhotoCopyThread() {
  WaitFor();
  photoDb_.OnFileDone = nullptr;
}

void TPhotoCopyThread::Interrupt() { photoDb_.Device->InterruptTransfer(); }

void TPhotoCopyThread::Execute() {
  try {
    Copied = photoDb_.ExportPhotos();
    photoDb_.AddLog("Copy pics: t" + std::to_string(photoDb_.Photos.CheckedCount) + ", c" +
                    std::to_string(Copied));
    if (photoDb_.WithCamera && photoDb_.CamPhotos.CheckedCount > 0) {
      Copied = photoDb_.ExportCamPhotos();
      photoDb_.AddLog("Copy cam pics: t" + std::to_string(photoDb_.CamPhotos.CheckedCount) + ", c" +
                      std::to_string(Copied));
    }
  } catch (const std::exception& error) {
    // An error (memory running out) ends the export; the window still
    // learns that it has ended, and why.
    photoDb_.AddLog(std::string("[X] Export stopped: ") + error.what());
    ++photoDb_.FailedCount;
  }
  photoDb_.Device->ReleaseDestination();
  dispatcher_.InvokeAndWait([this] {
    if (OnDone) OnDone();
  });
  Finish(dispatcher_);
}

void TPhotoCopyThread::FileDone(const std::string& fileName) {
  if (Terminated()) photoDb_.Cancelled = true;
  ProgressText = fileName;
  dispatcher_.InvokeAndWait([this] {
    if (OnProgress) OnProgress(ProgressText);
  });
}

}  // namespace ortelan
