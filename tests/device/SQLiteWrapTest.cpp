#include <gtest/gtest.h>

#include <functional>

#include "device/SQLiteWrap.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

using fixtures::sqlite::MakeDatabase;

class SQLiteWrap : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir / "test.db";
    MakeDatabase(path,
                 "CREATE TABLE Songs (Id INTEGER, NAME TEXT, Data BLOB);"
                 "INSERT INTO Songs VALUES (1, 'Été', X'0102');"
                 "INSERT INTO Songs VALUES (2, NULL, NULL);"
                 "INSERT INTO Songs VALUES (3, '', X'');"
                 "INSERT INTO Songs VALUES (4, CAST(X'41FF42C3' AS TEXT), NULL);");
    db = std::make_unique<TSQLiteDatabase>(path);
  }
  std::string MessageOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const ESQLiteException& e) {
      return e.what();
    }
    return "(nothing raised)";
  }

  test::TempDir dir;
  std::string path;
  std::unique_ptr<TSQLiteDatabase> db;
};

TEST_F(SQLiteWrap, WalksRowsAndReadsEveryKindOfValue) {
  const auto table = db->Query("SELECT Id, name AS Title, Data FROM Songs ORDER BY Id");
  EXPECT_EQ(table->ColumnCount, 3);
  EXPECT_EQ(table->ColumnNames, (std::vector<std::string>{"ID", "TITLE", "DATA"}));
  ASSERT_FALSE(table->AtEnd);
  EXPECT_EQ(table->RowsRead, 1);
  EXPECT_EQ(table->ColumnInt64(0), 1);
  EXPECT_EQ(table->ColumnText(1), "Été");
  EXPECT_EQ(table->ColumnBlob(2)->Bytes.size(), 2u);
  EXPECT_FALSE(table->ColumnIsNull(1));

  ASSERT_TRUE(table->Step());  // NULLs: empty text, empty stream at 0
  EXPECT_EQ(table->ColumnText(1), "");
  EXPECT_TRUE(table->ColumnIsNull(1));
  const auto blob = table->ColumnBlob(2);
  EXPECT_TRUE(blob->Bytes.empty());
  EXPECT_EQ(blob->Position, 0u);

  ASSERT_TRUE(table->Step());  // empty values are not NULL
  EXPECT_FALSE(table->ColumnIsNull(1));
  EXPECT_TRUE(table->ColumnBlob(2)->Bytes.empty());
  ASSERT_TRUE(table->Step());  // bytes that are no UTF-8 come out mended
  EXPECT_EQ(table->ColumnText(1), "A\uFFFDB\uFFFD");
  int64_t id = 0;
  EXPECT_TRUE(table->ColumnInteger(0, id));
  EXPECT_EQ(id, 4);
  EXPECT_FALSE(table->ColumnInteger(1, id));
  EXPECT_FALSE(table->Step());
  EXPECT_TRUE(table->AtEnd);
  EXPECT_EQ(table->RowsRead, 4);
}

TEST_F(SQLiteWrap, AQueryWithoutRowsStartsAtItsEnd) {
  const auto table = db->Query("SELECT Id FROM Songs WHERE Id > 10");
  EXPECT_TRUE(table->AtEnd);
  EXPECT_EQ(table->RowsRead, 0);
  EXPECT_EQ(table->ColumnIndex("id"), 0);  // the columns are known all the same
}

TEST_F(SQLiteWrap, ColumnsAndTablesAreFoundWithoutRegardToCase) {
  const auto table = db->Query("SELECT Id, NAME, Name FROM Songs");
  EXPECT_EQ(table->ColumnIndex("name"), 1);  // the first of two alike
  EXPECT_EQ(table->ColumnIndex("ID"), 0);
  EXPECT_EQ(MessageOf([&] { table->ColumnIndex("Missing_Column"); }),
            "Field not found in dataset: Missing_Column");
  EXPECT_TRUE(db->HasTable("songs"));
  EXPECT_TRUE(db->HasTable("SONGS"));
  EXPECT_FALSE(db->HasTable("albums"));
  EXPECT_FALSE(db->HasTable("x' or '1'='1"));  // a quote cannot end the literal
}

TEST_F(SQLiteWrap, FailuresRaiseTheirExactMessages) {
  EXPECT_EQ(MessageOf([&] { db->Query("SELECT * FROM Albums"); }),
            "Error executing SQL.\r\nError [1]: SQL error or missing database.\r\n"
            "\"SELECT * FROM Albums\": no such table: Albums");
  EXPECT_EQ(MessageOf([&] { db->Query("  -- nothing but a comment"); }),
            "Could not prepare SQL statement");
  const std::string missing = dir / "no such folder/x.db";
  EXPECT_EQ(MessageOf([&] { TSQLiteDatabase open(missing); }),
            "Failed to open database \"" + missing + "\" : unable to open database file");

  // A statement without result columns: ColumnIndex has nothing to look in.
  const auto none = db->Query("CREATE TABLE Later (x)");
  EXPECT_EQ(MessageOf([&] { none->ColumnIndex("x"); }), "Field x Not found. Empty dataset");
}

TEST_F(SQLiteWrap, AFileThatIsNoDatabaseFailsOnItsFirstQuery) {
  const std::string junk = dir / "junk.db";
  test::WriteFile(junk, "this is not an SQLite database, only some text that is long enough");
  TSQLiteDatabase notADatabase(junk);
  EXPECT_EQ(MessageOf([&] { notADatabase.Query("SELECT 1 FROM x"); }),
            "Error executing SQL.\r\nError [26]: File opened that is not a database file.\r\n"
            "\"SELECT 1 FROM x\": file is not a database");
}

TEST(SQLiteErrorText, NamesEveryPrimaryCodeAndOnlyThose) {
  EXPECT_EQ(SQLiteErrorText(0), "Successful result");
  EXPECT_EQ(SQLiteErrorText(19), "Abort due to contraint violation");
  EXPECT_EQ(SQLiteErrorText(26), "File opened that is not a database file");
  EXPECT_EQ(SQLiteErrorText(100), "sqlite3_step() has another row ready");
  EXPECT_EQ(SQLiteErrorText(101), "sqlite3_step() has finished executing");
  EXPECT_EQ(SQLiteErrorText(27), "Unknown SQLite Error Code \"27\"");
  EXPECT_EQ(SQLiteErrorText(266), "Unknown SQLite Error Code \"266\"");  // extended codes too
  EXPECT_EQ(SQLiteErrorText(-1), "Unknown SQLite Error Code \"-1\"");
}

}  // namespace
}  // namespace ortelan
