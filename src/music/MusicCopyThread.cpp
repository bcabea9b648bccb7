#include "music/MusicCopyThread.h"

#include "device/iPodDev.h"

namespace ortelan {

TMusicCopyThread::TMusicCopyThread(TIpodMusicDb& musicDb, platform::Dispatcher& dispatcher,
                                   bool addToItunes, bool abortOnErrors)
    : AddToItunes(addToItunes),
      AbortOnErrors(abortOnErrors),
      musicDb_(musicDb),
      dispatcher_(dispatcher) {
  musicDb_.OnProgress = [this](const std::string& text) { TrackProgress(text); };
  musicDb_.Log.clear();
}

TMusicCopyThread::~TMusicCopyThread() {
  WaitFor();
  musicDb_.OnProgress = nullptr;
}

void TMusicCopyThread::Execute() {
  try {
    Copied = musicDb_.CopyTracks(AbortOnErrors);
  } catch (const std::exception& error) {
    // An error (memory running out) ends the copy; the window still learns
    // that it has ended, and why.
    musicDb_.AddLog(std::string("[X] Copy stopped: ") + error.what());
  }
  HandOnLists();
  musicDb_.Device->ReleaseDestination();
  musicDb_.AddLog("Copy files: t" + std::to_string(musicDb_.Tracks.CheckedCount) + ", c" +
                  std::to_string(Copied));
  if (Copied > 0 && AddToItunes) {
    StatusText = "Adding selected music and playlists to iTunes library ...";
    StatusKind = mskLongStep;
    dispatcher_.InvokeAndWait([this] { DoStatus(); });
    Copied = musicDb_.ExportToItunes();
    musicDb_.AddLog("Sync: " + std::to_string(Copied));
  }
  StatusText = "Done.";
  // The end of the transfer is always the last hand-over.
  StatusKind = mskEnded;
  dispatcher_.InvokeAndWait([this] { DoStatus(); });
  Finish(dispatcher_);
}

void TMusicCopyThread::Interrupt() { musicDb_.Device->InterruptTransfer(); }

void TMusicCopyThread::HandOnLists() {
  try {
    if (musicDb_.SavePlaylists) musicDb_.WritePlaylistFiles();
    if (musicDb_.SaveTrackList) musicDb_.WriteTrackList();
    if (musicDb_.SaveCovers) musicDb_.WriteAlbumCovers();
  } catch (const std::exception& error) {
    musicDb_.AddLog(std::string("[X] Lists not written: ") + error.what());
  }
}

void TMusicCopyThread::TrackProgress(const std::string& text) {
  if (Terminated()) musicDb_.Cancelled = true;
  ProgressText = text;
  dispatcher_.InvokeAndWait([this] { DoProgress(); });
}

void TMusicCopyThread::DoProgress() {
  if (OnProgress) OnProgress(ProgressText);
}

void TMusicCopyThread::DoStatus() {
  if (OnStatus) OnStatus(StatusText, StatusKind);
}

}  // namespace ortelan
