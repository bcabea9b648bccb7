// ReadMediaLibrary over a MediaLibrary.sqlitedb of 50,000 items, against the
// same item query run alone through sqlite3 (stepping every row and fetching
// its eleven values, on a connection opened as the reader opens its own), in
// one run. Prints the medians and their ratio.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MedianReporter.h"
#include "device/SQLiteWrap.h"
#include "music/iPodMusic.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace ortelan;
using namespace ortelan::fixtures::sqlite;

constexpr int kItems = 50000;
constexpr const char* kItemQuery =
    "SELECT item.item_pid,item.item_artist_pid,item.album_pid,item.genre_id,item.base_location_id,"
    "item_extra.title,item_extra.location,item_extra.file_size,item_extra.total_time_ms,"
    "item_stats.play_count_user,item_stats.user_rating FROM item,item_extra,item_stats WHERE "
    "item.item_pid=item_extra.item_pid AND item.item_pid=item_stats.item_pid";

// Inserts `count` rows made by `select` from i = 1 .. count.
std::string InsertNumbered(const char* table, int count, const std::string& select) {
  return std::string("INSERT INTO ") + table + " WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL " +
         "SELECT i + 1 FROM n WHERE i < " + std::to_string(count) + ") SELECT " + select +
         " FROM n;";
}

// kItems tracks by 2,000 artists on 5,000 albums in 40 genres and 50
// folders, and 20 playlists of 500 tracks.
const std::string& Database() {
  static test::TempDir dir;
  static const std::string path = [] {
    const std::string file = dir / "MediaLibrary.sqlitedb";
    std::string sql = kMediaLibrarySchema;
    sql += InsertNumbered("genre", 40, "i, 'Genre ' || i");
    sql += InsertNumbered("album", 5000, "i, 'Album number ' || i");
    sql += InsertNumbered("base_location", 50, "i, 'iTunes_Control/Music/F' || printf('%02d', i)");
    sql += InsertNumbered("item_artist", 2000, "i, 'Artist of some renown ' || i");
    sql += InsertNumbered("item (item_pid, item_artist_pid, album_pid, genre_id, base_location_id)",
                          kItems, "i, 1 + i % 2000, 1 + i % 5000, 1 + i % 40, 1 + i % 50");
    sql +=
        InsertNumbered("item_extra", kItems,
                       "i, 'A track with a title ' || i, printf('%06d.m4a', i), 3000000 + i * 7, "
                       "180000 + i");
    sql += InsertNumbered("item_stats", kItems, "i, i % 5 * 20, i % 30");
    sql += "INSERT INTO db_info VALUES (1, 1);";
    sql += InsertNumbered("container (container_pid, name)", 20, "i, 'Playlist ' || i");
    for (int list = 2; list <= 20; ++list) {
      std::vector<int64_t> ids;
      for (int k = 0; k < 500; ++k) ids.push_back(1 + (list * 977 + k * 31) % kItems);
      sql +=
          "INSERT INTO container_items VALUES (" + std::to_string(list) + ", " + IdBlob(ids) + ");";
    }
    MakeDatabase(file, sql);
    return file;
  }();
  return path;
}

void BM_BareItemQuery(benchmark::State& state) {
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    sqlite3_open_v2(Database().c_str(), &db,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_prepare_v2(db, kItemQuery, -1, &statement, nullptr);
    int64_t sum = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      for (int column = 0; column < 11; ++column) {
        if (column == 5 || column == 6) {
          sum += sqlite3_column_bytes(statement, column) +
                 (sqlite3_column_text(statement, column) ? 1 : 0);
        } else {
          sum += sqlite3_column_int64(statement, column);
        }
      }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    benchmark::DoNotOptimize(sum);
  }
}

void BM_ReadMediaLibrary(benchmark::State& state) {
  for (auto _ : state) {
    TIpodMusicDb library(nullptr);
    if (library.ReadMediaLibrary(Database()) != kItems) state.SkipWithError("items missing");
    benchmark::DoNotOptimize(library.Tracks.CheckedCount);
  }
}

BENCHMARK(BM_BareItemQuery)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_ReadMediaLibrary)->Unit(benchmark::kMillisecond)->Repetitions(9);

}  // namespace

int main(int argc, char** argv) {
  const SQLiteLibrary sqlite;
  benchmark::Initialize(&argc, argv);
  std::printf("MediaLibrary.sqlitedb: %d items\n", kItems);
  Database();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double bare = reporter.medianMs["BM_BareItemQuery"];
  const double read = reporter.medianMs["BM_ReadMediaLibrary"];
  std::printf(
      "\nmedian bare item query %.2f ms, median ReadMediaLibrary %.2f ms, ratio %.2f (goal 1.5)\n",
      bare, read, read / bare);
  return 0;
}
