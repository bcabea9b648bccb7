#include "device/SQLiteWrap.h"

#include "util/Text.h"

namespace ortelan {

namespace {

const char* const kErrorTexts[] = {
    "Successful result",
    "SQL error or missing database",
    "An internal logic error in SQLite",
    "Access permission denied",
    "Callback routine requested an abort",
    "The database file is locked",
    "A table in the database is locked",
    "A malloc() failed",
    "Attempt to write a readonly database",
    "Operation terminated by sqlite3_interrupt()",
    "Some kind of disk I/O error occurred",
    "The database disk image is malformed",
    "(Internal Only) Table or record not found",
    "Insertion failed because database is full",
    "Unable to open the database file",
    "Database lock protocol error",
    "Database is empty",
    "The database schema changed",
    "Too much data for one row of a table",
    "Abort due to contraint violation",
    "Data type mismatch",
    "Library used incorrectly",
    "Uses OS features not supported on host",
    "Authorization denied",
    "Auxiliary database format error",
    "2nd parameter to sqlite3_bind out of range",
    "File opened that is not a database file",
};

std::string_view Bytes(const unsigned char* text, int size) {
  if (!text || size <= 0) return {};
  return std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

// SQLite hands out text as stored; what is not UTF-8 is mended here.
std::string MendedUtf8(std::string_view text) {
  return IsAscii(text) ? std::string(text) : ValidUtf8(text);
}

std::string SQLiteErrorText(int code) {
  if (code >= 0 && code < static_cast<int>(std::size(kErrorTexts))) return kErrorTexts[code];
  if (code == SQLITE_ROW) return "sqlite3_step() has another row ready";
  if (code == SQLITE_DONE) return "sqlite3_step() has finished executing";
  return "Unknown SQLite Error Code \"" + std::to_string(code) + "\"";
}

TSQLiteDatabase::TSQLiteDatabase(const std::string& fileName) {
  // As sqlite3_open, without SQLite's own locking on every call: a database
  // and its tables are used by one thread at a time.
  const int result =
      sqlite3_open_v2(fileName.c_str(), &Handle,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result == SQLITE_OK) return;
  const std::string reason = Handle ? sqlite3_errmsg(Handle) : "Unknown error";
  sqlite3_close(Handle);  // a failed open may still hand out a connection
  Handle = nullptr;
  throw ESQLiteException("Failed to open database \"" + fileName + "\" : " + reason);
}

TSQLiteDatabase::~TSQLiteDatabase() {
  if (Handle) sqlite3_close(Handle);
}

std::unique_ptr<TSQLiteTable> TSQLiteDatabase::Query(const std::string& sql) {
  return std::make_unique<TSQLiteTable>(*this, sql);
}

bool TSQLiteDatabase::HasTable(const std::string& tableName) {
  // The callers pass fixed names; a quote is still doubled so that no name
  // can end the literal.
  std::string name;
  for (const char c : AsciiLowerCase(tableName)) {
    name += c;
    if (c == '\'') name += c;
  }
  const auto table = Query(
      "select [sql] from sqlite_master where [type] = 'table' and lower(name) = '" + name + "' ");
  return table->RowsRead > 0;
}

void TSQLiteDatabase::RaiseError(const std::string& msg, const std::string& sql) {
  const int code = Handle ? sqlite3_errcode(Handle) : 0;
  const char* text = code != 0 ? sqlite3_errmsg(Handle) : nullptr;
  if (code != 0 && text) {
    throw ESQLiteException(msg + ".\r\nError [" + std::to_string(code) +
                           "]: " + SQLiteErrorText(code) + ".\r\n\"" + sql + "\": " + text);
  }
  throw ESQLiteException(msg);
}

TSQLiteTable::TSQLiteTable(TSQLiteDatabase& database, const std::string& sql)
    : Database(&database), SqlText(sql) {
  if (sqlite3_prepare_v2(Database->Handle, sql.c_str(), -1, &Statement, nullptr) != SQLITE_OK) {
    Database->RaiseError("Error executing SQL", sql);
  }
  if (!Statement) Database->RaiseError("Could not prepare SQL statement", sql);
  ColumnCount = sqlite3_column_count(Statement);
  ColumnNames.reserve(static_cast<size_t>(ColumnCount));
  for (int i = 0; i < ColumnCount; ++i) {
    const char* name = sqlite3_column_name(Statement, i);
    ColumnNames.push_back(AsciiUpperCase(ValidUtf8(name ? name : "")));
  }
  try {
    Step();
  } catch (...) {
    sqlite3_finalize(Statement);  // the destructor of a half-built table does not run
    throw;
  }
}

TSQLiteTable::~TSQLiteTable() { sqlite3_finalize(Statement); }

bool TSQLiteTable::Step() {
  AtEnd = true;
  const int result = sqlite3_step(Statement);
  if (result == SQLITE_ROW) {
    AtEnd = false;
    ++RowsRead;
  } else if (result != SQLITE_DONE) {
    sqlite3_reset(Statement);
    Database->RaiseError("Could not retrieve data", SqlText);
  }
  return !AtEnd;
}

int TSQLiteTable::ColumnIndex(const std::string& name) const {
  if (ColumnNames.empty()) throw ESQLiteException("Field " + name + " Not found. Empty dataset");
  const std::string wanted = AsciiUpperCase(name);
  for (size_t i = 0; i < ColumnNames.size(); ++i) {
    if (ColumnNames[i] == wanted) return static_cast<int>(i);
  }
  throw ESQLiteException("Field not found in dataset: " + name);
}

int64_t TSQLiteTable::ColumnInt64(int index) const {
  return sqlite3_column_int64(Statement, index);
}

std::string TSQLiteTable::ColumnText(int index) const {
  std::string text;
  AppendColumnText(index, text);
  return text;
}

void TSQLiteTable::AppendColumnText(int index, std::string& out) const {
  const unsigned char* text = sqlite3_column_text(Statement, index);
  const std::string_view bytes = Bytes(text, sqlite3_column_bytes(Statement, index));
  if (IsAscii(bytes)) {
    out += bytes;
  } else {
    out += ValidUtf8(bytes);
  }
}

void TSQLiteTable::AppendColumnBytes(int index, std::string& out) const {
  const unsigned char* text = sqlite3_column_text(Statement, index);
  out += Bytes(text, sqlite3_column_bytes(Statement, index));
}

bool TSQLiteTable::ColumnInteger(int index, int64_t& value) const {
  sqlite3_value* cell = sqlite3_column_value(Statement, index);
  if (!cell || sqlite3_value_type(cell) != SQLITE_INTEGER) return false;
  value = sqlite3_value_int64(cell);
  return true;
}

std::unique_ptr<TMemoryStream> TSQLiteTable::ColumnBlob(int index) const {
  auto stream = std::make_unique<TMemoryStream>();
  const void* bytes = sqlite3_column_blob(Statement, index);
  const int size = sqlite3_column_bytes(Statement, index);
  if (bytes && size > 0) stream->Write(bytes, static_cast<size_t>(size));
  stream->Position = 0;
  return stream;
}

bool TSQLiteTable::ColumnIsNull(int index) const {
  return sqlite3_column_text(Statement, index) == nullptr;
}

}  // namespace ortelan
