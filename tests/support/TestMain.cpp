#include <gtest/gtest.h>

#include "device/SQLiteWrap.h"

int main(int argc, char** argv) {
  const ortelan::SQLiteLibrary sqlite;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
