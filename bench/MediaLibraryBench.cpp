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

const std::string& Database() {
  static test::TempDir dir;
  static const std::string path = [] {
    const std::string file = dir / "MediaLibrary.sqlitedb";
    MakeDatabase(file, LargeMediaLibrarySql(kItems));
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
