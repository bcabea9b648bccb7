// Copies every file of a device folder as tracks with CopyTracks (scheme 1)
// and prints the seconds it took; copy_tracks.sh compares that with cp, and
// a rerun with the first copy. With TITLES the tracks share that many titles
// in turn, as the tracks of many albums do ("Intro", "Track 1"): their names
// then form numbered series.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "platform/QueueDispatcher.h"

int main(int argc, char** argv) {
  using namespace ortelan;
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s IPOD_ROOT DEVICE_FOLDER DEST [TITLES]\n", argv[0]);
    return 2;
  }
  const int titles = argc == 5 ? std::atoi(argv[4]) : 0;
  const std::string root = argv[1], folder = argv[2];
  std::string dest = argv[3];
  platform::QueueDispatcher dispatcher;
  auto volumes = platform::MakeFolderVolumeSource({root});
  auto files = platform::MakeFileSystem();
  TIpodDevice device(nullptr, DeviceServices{*volumes, *files, dispatcher});
  if (!device.ScanDrives()) return 1;

  std::string colonFolder = folder;
  for (char& c : colonFolder) c = c == '/' ? ':' : c;
  TIpodMusicDb db(&device);
  for (const auto& entry : std::filesystem::directory_iterator(root + "/" + folder)) {
    TTrackItem& track = db.Tracks.Add();
    track.Title = titles > 0 ? "Song " + std::to_string(db.Tracks.Count() % titles)
                             : entry.path().stem().string();
    track.Location = ":" + colonFolder + ":" + entry.path().filename().string();
    track.Size = static_cast<int64_t>(entry.file_size());
    track.CopyState = csUntouched;
    db.Tracks.Check(db.Tracks.Count() - 1);
  }
  if (!db.PrepareDestination(dest)) return 1;
  const auto start = std::chrono::steady_clock::now();
  const int copied = db.CopyTracks(false);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (copied != db.Tracks.Count()) return 1;
  std::printf("%.6f\n", took.count());
  return 0;
}
