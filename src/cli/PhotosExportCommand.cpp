// ortelan-cli photos export: the window's photo transfer from the command line.

#include <cstdio>
#include <filesystem>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "photo/PhotoCopyThread.h"
#include "photo/iPodPhoto.h"
#include "platform/Console.h"
#include "util/Text.h"

namespace ortelan::cli {

namespace {

// Checks the photos of the album, the whole library when `name` is empty.
bool CheckAlbum(TIpodPhotoDb& db, const std::string& name) {
  if (db.Albums.Count() == 0 && name.empty()) {
    for (int i = 0; i < db.Photos.Count(); ++i) db.Photos.Check(i);
    return true;
  }
  for (int a = 0; a < db.Albums.Count(); ++a) {
    const TPhotoAlbumItem& album = db.Albums.GetItem(a);
    if (name.empty() ? a != 0 : !SameTextAscii(album.Name, name)) continue;
    for (const uint32_t id : album.PhotoIds) {
      for (int i = 0; i < db.Photos.Count(); ++i) {
        if (db.Photos.GetItem(i).ImageId == id) db.Photos.Check(i);
      }
    }
    return true;
  }
  return false;
}

std::string DetailLog(const TIpodDevice& device, const TIpodPhotoDb& db) {
  return LogForTerminal(TIpodPhotoDb::DetailLogHead(!device.IsIos) + db.Log);
}

// The export worker run to its end, each photo shown as it is written;
// whether a stop request cut it short.
bool RunExport(TIpodPhotoDb& db, DeviceSession& session) {
  const bool terminal = platform::StdoutIsTerminal();
  const int total = db.Photos.CheckedCount + db.CamPhotos.CheckedCount;
  int shown = 0;
  TPhotoCopyThread worker(db, session.Dispatcher());
  worker.OnProgress = [&](const std::string& name) {
    ++shown;
    if (terminal) {
      std::printf("\r\x1b[K%d/%d  %s", shown, total, Column(name, 60).c_str());
      std::fflush(stdout);
    } else {
      std::printf("%d/%d  %s\n", shown, total, Shown(name).c_str());
    }
  };
  worker.Start();
  const bool interrupted = RunWorkerUntilDone(
      session.Dispatcher(), [&] { return worker.Finished(); }, [&] { worker.Terminate(); });
  worker.WaitFor();
  if (terminal && shown > 0) std::printf("\n");
  return interrupted;
}

}  // namespace

int PhotosExportCommand(Arguments args) {
  const std::string to = args.Value("--to");
  const std::string albumName = args.Value("--album");
  const bool camera = args.Flag("--camera");
  const std::vector<std::string> folders = args.Values("--device");
  args.ExpectEmpty();
  if (to.empty()) throw UsageError{"--to DIR is required"};

  DeviceSession session(folders);
  if (!session.Connect()) return kExitNotFound;
  TIpodDevice& device = session.Device();
  TIpodPhotoDb db(&device, true, nullptr);
  if (!db.LoadPhotoLibrary()) {
    std::fprintf(stderr, "The photo library could not be read.%s\n",
                 LogForTerminal(db.Log).c_str());
    return kExitNotFound;
  }
  // A damaged library yields no photos; the camera roll may still be saved.
  ReportPhotoLibraryStandIn(db);
  const bool damaged = LibraryDamaged(db);
  if (damaged) {
    std::fprintf(stderr, "The photo library is damaged and cannot be read: %s\n",
                 LogForTerminal(db.ReadError).c_str());
    if (!camera) return kExitNotFound;
  }
  if (!CheckAlbum(db, albumName)) throw UsageError{"no album named " + albumName};
  if (camera) {
    for (int i = 0; i < db.CamPhotos.Count(); ++i) db.CamPhotos.Check(i);
  }

  std::string folder = DestinationFolder(to);
  if (!db.PrepareDestination(folder)) {
    PrintDestinationError(folder);
    return kExitNotFound;
  }

  const bool interrupted = RunExport(db, session);
  std::printf("%s\n", DetailLog(device, db).c_str());
  if (damaged) return kExitNotFound;
  const bool complete = db.FailedCount == 0 && !interrupted;
  return complete ? kExitOk : kExitSomeFailed;
}

}  // namespace ortelan::cli
