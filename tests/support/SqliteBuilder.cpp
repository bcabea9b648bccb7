#include "support/SqliteBuilder.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace ortelan::fixtures::sqlite {

const char* const kMediaLibrarySchema = R"(
CREATE TABLE genre (genre_id INTEGER PRIMARY KEY, genre TEXT);
CREATE TABLE album (album_pid INTEGER PRIMARY KEY, album TEXT);
CREATE TABLE base_location (base_location_id INTEGER PRIMARY KEY, path TEXT);
CREATE TABLE item_artist (item_artist_pid INTEGER PRIMARY KEY, item_artist TEXT);
CREATE TABLE item (item_pid INTEGER PRIMARY KEY, media_type INTEGER DEFAULT 8,
  item_artist_pid INTEGER, album_pid INTEGER, genre_id INTEGER, base_location_id INTEGER);
CREATE TABLE item_extra (item_pid INTEGER PRIMARY KEY, title TEXT, location TEXT,
  file_size INTEGER, total_time_ms INTEGER);
CREATE TABLE item_stats (item_pid INTEGER PRIMARY KEY, user_rating INTEGER, play_count_user INTEGER);
CREATE TABLE db_info (db_pid INTEGER PRIMARY KEY, primary_container_pid INTEGER);
CREATE TABLE container (container_pid INTEGER PRIMARY KEY, distinguished_kind INTEGER DEFAULT 0,
  name TEXT, smart_is_dynamic INTEGER DEFAULT 0, smart_is_filtered INTEGER DEFAULT 0,
  smart_limit_kind INTEGER DEFAULT 0);
CREATE TABLE container_items (container_pid INTEGER PRIMARY KEY, item_pid_data BLOB);
)";

const char* const kLibraryItdbSchema = R"(
CREATE TABLE genre_map (id INTEGER PRIMARY KEY, genre TEXT);
CREATE TABLE item (pid INTEGER PRIMARY KEY, media_kind INTEGER DEFAULT 1, title TEXT,
  artist TEXT, album TEXT, total_time_ms INTEGER, genre_id INTEGER DEFAULT 0);
CREATE TABLE db_info (pid INTEGER PRIMARY KEY, primary_container_pid INTEGER);
CREATE TABLE container (pid INTEGER PRIMARY KEY, distinguished_kind INTEGER DEFAULT 0, name TEXT,
  media_kinds INTEGER DEFAULT 1);
CREATE TABLE item_to_container (item_pid INTEGER, container_pid INTEGER, physical_order INTEGER);
)";

const char* const kLocationsItdbSchema = R"(
CREATE TABLE base_location (id INTEGER PRIMARY KEY, path TEXT);
CREATE TABLE location (item_pid INTEGER, sub_id INTEGER DEFAULT 0, base_location_id INTEGER,
  location TEXT, file_size INTEGER);
)";

const char* const kDynamicItdbSchema = R"(
CREATE TABLE item_stats (item_pid INTEGER PRIMARY KEY, play_count_user INTEGER DEFAULT 0,
  user_rating INTEGER DEFAULT 0);
)";

std::string PhotosSchema(int album, int generateAsset, int asset) {
  (void)asset;  // assets are told apart by Z_ENT only
  const std::string a = std::to_string(album), g = std::to_string(generateAsset);
  return "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME TEXT, Z_SUPER INTEGER, "
         "Z_MAX INTEGER);\n"
         "CREATE TABLE ZGENERICALBUM (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, ZKIND INTEGER, "
         "ZTITLE TEXT);\n"
         "CREATE TABLE ZGENERICASSET (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, ZTHUMBNAILINDEX "
         "INTEGER, ZDIRECTORY TEXT, ZFILENAME TEXT, ZSAVEDASSETTYPE INTEGER DEFAULT 0);\n"
         "CREATE TABLE Z_" +
         a + "ASSETS (Z_" + a + "ALBUMS INTEGER, Z_" + g + "ASSETS INTEGER);\n";
}

namespace {

sqlite3* OpenNew(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "fixture: cannot open %s\n", path.c_str());
    std::abort();
  }
  return db;
}

void Run(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "fixture SQL failed: %s\n%s\n", error ? error : "?", sql.c_str());
    std::abort();
  }
}

}  // namespace

void MakeDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenNew(path);
  Run(db, "BEGIN;" + sql + ";COMMIT;");
  sqlite3_close(db);
}

void MakeDatabaseWithLog(const std::string& path, const std::string& sql,
                         const std::string& walSql) {
  // Built under another name and copied while the connection is open: its
  // close would checkpoint the log into the database.
  const std::string building = path + ".building";
  sqlite3* db = OpenNew(building);
  Run(db, "PRAGMA journal_mode=WAL; BEGIN;" + sql + ";COMMIT; PRAGMA wal_checkpoint(TRUNCATE);");
  Run(db, "PRAGMA wal_autocheckpoint=0; BEGIN;" + walSql + ";COMMIT;");
  namespace fs = std::filesystem;
  for (const char* suffix : {"", "-wal"}) {
    fs::copy_file(building + suffix, path + suffix, fs::copy_options::overwrite_existing);
  }
  sqlite3_close(db);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((building + suffix).c_str());
}

namespace {

// Inserts `count` rows made by `select` from i = 1 .. count.
std::string InsertNumbered(const char* table, int count, const std::string& select) {
  return std::string("INSERT INTO ") + table + " WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL " +
         "SELECT i + 1 FROM n WHERE i < " + std::to_string(count) + ") SELECT " + select +
         " FROM n;";
}

}  // namespace

std::string LargeMediaLibrarySql(int items) {
  std::string sql = kMediaLibrarySchema;
  sql += InsertNumbered("genre", 40, "i, 'Genre ' || i");
  sql += InsertNumbered("album", 5000, "i, 'Album number ' || i");
  sql += InsertNumbered("base_location", 50, "i, 'iTunes_Control/Music/F' || printf('%02d', i)");
  sql += InsertNumbered("item_artist", 2000, "i, 'Artist of some renown ' || i");
  sql += InsertNumbered("item (item_pid, item_artist_pid, album_pid, genre_id, base_location_id)",
                        items, "i, 1 + i % 2000, 1 + i % 5000, 1 + i % 40, 1 + i % 50");
  sql += InsertNumbered("item_extra", items,
                        "i, 'A track with a title ' || i, printf('%06d.m4a', i), 3000000 + i * 7, "
                        "180000 + i");
  sql += InsertNumbered("item_stats", items, "i, i % 5 * 20, i % 30");
  sql += "INSERT INTO db_info VALUES (1, 1);";
  sql += InsertNumbered("container (container_pid, name)", 20, "i, 'Playlist ' || i");
  for (int list = 2; list <= 20; ++list) {
    std::vector<int64_t> ids;
    for (int k = 0; k < 500; ++k) ids.push_back(1 + (list * 977 + k * 31) % items);
    sql +=
        "INSERT INTO container_items VALUES (" + std::to_string(list) + ", " + IdBlob(ids) + ");";
  }
  return sql;
}

std::string IdBlob(const std::vector<int64_t>& ids) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string blob = "X'";
  for (const int64_t id : ids) {
    const auto value = static_cast<uint64_t>(id);
    for (int byte = 0; byte < 8; ++byte) {
      const auto b = static_cast<unsigned>((value >> (8 * byte)) & 0xFF);
      blob += kHex[b >> 4];
      blob += kHex[b & 15];
    }
  }
  return blob + "'";
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

}  // namespace ortelan::fixtures::sqlite
