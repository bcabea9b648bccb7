// Feeds the SQLite library readers a database built from the input: an input
// that starts like an SQLite file is that file; any other input is run as SQL
// on an empty database first. The readers may raise ESQLiteException (a
// failed read); they must never crash, and their counters must match the
// marks.

#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "photo/iPodPhoto.h"
#include "platform/Platform.h"
#include "platform/QueueDispatcher.h"
#include "util/Text.h"

namespace {

using namespace ortelan;

const std::string& DatabasePath() {
  static const std::string path = [] {
    char folder[] = "/tmp/ortelan-sqlite-fuzz-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    return std::string(folder) + "/input.db";
  }();
  return path;
}

void RemoveDatabase() {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::remove((DatabasePath() + suffix).c_str());
  }
}

// Only what builds tables and rows in this one file is allowed: no other
// files, no settings, and a bound on the work a statement may do.
int Authorize(void*, int action, const char*, const char*, const char*, const char*) {
  switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
    case SQLITE_PRAGMA:
      return SQLITE_DENY;
    default:
      return SQLITE_OK;
  }
}

int StopLongWork(void* steps) { return ++*static_cast<int*>(steps) > 2000 ? 1 : 0; }

void BuildFromSql(std::string_view script) {
  if (AsciiUpperCase(script).find("VACUUM") != std::string::npos) return;
  sqlite3* db = nullptr;
  if (sqlite3_open(DatabasePath().c_str(), &db) == SQLITE_OK) {
    sqlite3_set_authorizer(db, Authorize, nullptr);
    int steps = 0;
    sqlite3_progress_handler(db, 1000, StopLongWork, &steps);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
    sqlite3_exec(db, std::string(script).c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
}

void WriteFile(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(DatabasePath().c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void CheckCounters(const TTrackList& tracks) {
  int32_t count = 0;
  int64_t size = 0;
  for (const TTrackItem& track : tracks) {
    if (track.Checked) ++count, size += track.Size;
  }
  if (count != tracks.CheckedCount || size != tracks.CheckedSize) __builtin_trap();
}

template <typename Read>
void Attempt(Read read) {
  try {
    read();
  } catch (const ESQLiteException&) {
    // a failed read: what the readers' callers expect
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const SQLiteLibrary sqlite;
  static platform::QueueDispatcher dispatcher;
  static auto volumes = platform::MakeFolderVolumeSource({});
  static auto files = platform::MakeFileSystem();
  static TIpodDevice device(nullptr, {*volumes, *files, dispatcher});

  RemoveDatabase();
  constexpr std::string_view kMagic("SQLite format 3\0", 16);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.starts_with(kMagic)) {
    WriteFile(data, size);
  } else {
    BuildFromSql(input);
  }
  const std::string& path = DatabasePath();

  TIpodMusicDb media(&device);
  Attempt([&] { media.ReadMediaLibrary(path); });
  CheckCounters(media.Tracks);

  TIpodMusicDb nano(&device);
  Attempt([&] { nano.ReadLibraryItdb(path); });
  Attempt([&] { nano.ReadLocationsItdb(path); });
  Attempt([&] { nano.ReadDynamicItdb(path); });
  CheckCounters(nano.Tracks);

  TIpodPhotoDb photos(&device, false, nullptr);
  Attempt([&] { photos.LoadPhotosSqlite(path); });
  for (const TPhotoAlbumItem& album : photos.Albums) {
    if (static_cast<size_t>(album.Count) != album.PhotoIds.size()) __builtin_trap();
  }
  RemoveDatabase();
  return 0;
}
