#pragma once

// A thin read-only layer over SQLite 3 for the device's database files: a
// database that runs queries, a table that walks the rows of one query, and
// the one exception every failure raises.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/MemoryStream.h"

namespace ortelan {

// Text that may hold what is not UTF-8, as valid UTF-8 (ASCII passes as is).
std::string MendedUtf8(std::string_view text);

class ESQLiteException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// SQLite's primary result codes in words; "Unknown SQLite Error Code "N""
// for any other.
std::string SQLiteErrorText(int code);

class TSQLiteTable;

class TSQLiteDatabase {
 public:
  // Opens (or creates) the database file; ESQLiteException when that fails.
  explicit TSQLiteDatabase(const std::string& fileName);
  ~TSQLiteDatabase();
  TSQLiteDatabase(const TSQLiteDatabase&) = delete;
  TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

  sqlite3* Handle = nullptr;

  // Prepares the first statement of `sql` and moves to its first row.
  std::unique_ptr<TSQLiteTable> Query(const std::string& sql);
  // Whether a table of that name exists; letter case is ignored.
  bool HasTable(const std::string& tableName);
  // Raises ESQLiteException built from `msg` and the connection's last error.
  [[noreturn]] void RaiseError(const std::string& msg, const std::string& sql);
};

// The result of one query, on its first row (or at its end) from the start.
// It must be freed before its database.
class TSQLiteTable {
 public:
  TSQLiteTable(TSQLiteDatabase& database, const std::string& sql);
  ~TSQLiteTable();
  TSQLiteTable(const TSQLiteTable&) = delete;
  TSQLiteTable& operator=(const TSQLiteTable&) = delete;

  int32_t ColumnCount = 0;
  std::vector<std::string> ColumnNames;  // upper-cased, in column order
  int32_t RowsRead = 0;
  bool AtEnd = false;
  sqlite3_stmt* Statement = nullptr;
  TSQLiteDatabase* Database;
  std::string SqlText;

  // Moves to the next row; false when there is none.
  bool Step();
  // The position of a named column, letter case ignored; the first of two
  // alike wins.
  int ColumnIndex(const std::string& name) const;
  int64_t ColumnInt64(int index) const;
  // Empty for NULL.
  std::string ColumnText(int index) const;
  // Appends the column's text to `out` (nothing for NULL), without a string
  // of its own in between.
  void AppendColumnText(int index, std::string& out) const;
  // The same bytes as stored, unchecked: the caller mends them (MendedUtf8).
  void AppendColumnBytes(int index, std::string& out) const;
  // True, with the value, when the column holds an integer.
  bool ColumnInteger(int index, int64_t& value) const;
  // The value's bytes in a new stream at position 0; empty for NULL.
  std::unique_ptr<TMemoryStream> ColumnBlob(int index) const;
  bool ColumnIsNull(int index) const;
};

// sqlite3_initialize for the life of the object, sqlite3_shutdown after it:
// one in each program's main.
class SQLiteLibrary {
 public:
  SQLiteLibrary() { sqlite3_initialize(); }
  ~SQLiteLibrary() { sqlite3_shutdown(); }
  SQLiteLibrary(const SQLiteLibrary&) = delete;
  SQLiteLibrary& operator=(const SQLiteLibrary&) = delete;
};

}  // namespace ortelan
