#pragma once

// SQLite database files for tests, benchmarks, fuzz seeds and the demo
// device, with the tables and columns the readers query.

#include <cstdint>
#include <string>
#include <vector>

namespace ortelan::fixtures::sqlite {

// MediaLibrary.sqlitedb of an iOS device.
extern const char* const kMediaLibrarySchema;
// The three files of an iPod nano's "iTunes Library.itlp".
extern const char* const kLibraryItdbSchema;
extern const char* const kLocationsItdbSchema;
extern const char* const kDynamicItdbSchema;
// Photos.sqlite with the given entity numbers (its Z_PRIMARYKEY rows are
// not filled: add them when a case wants them).
std::string PhotosSchema(int album, int generateAsset, int asset);

// Makes a new database file at `path` (an existing one is replaced) and runs
// `sql` on it (any number of statements). Aborts the test program on an
// SQL error: a fixture that does not build is a bug in the test.
void MakeDatabase(const std::string& path, const std::string& sql);

// A database whose last changes sit in its write-ahead log: `path` holds
// what `sql` made, `path`-wal what `walSql` added afterwards.
void MakeDatabaseWithLog(const std::string& path, const std::string& sql,
                         const std::string& walSql);

// An SQL blob literal of 8-byte little-endian ids (item_pid_data).
// A MediaLibrary.sqlitedb of `items` tracks by 2,000 artists on 5,000
// albums in 40 genres and 50 folders, and 20 playlists of 500 tracks, for
// the benchmarks.
std::string LargeMediaLibrarySql(int items);

std::string IdBlob(const std::vector<int64_t>& ids);

// Text as an SQL string literal, quotes doubled.
std::string Quoted(const std::string& text);

}  // namespace ortelan::fixtures::sqlite
