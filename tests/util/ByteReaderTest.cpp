#include <gtest/gtest.h>

#include <vector>

#include "util/ByteReader.h"

namespace ortelan {
namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

TEST(ByteReader, ReadsBothByteOrders) {
  ByteReader r(kBytes);
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  ASSERT_TRUE(r.U16LE(1, u16));
  EXPECT_EQ(u16, 0x0302);
  ASSERT_TRUE(r.U16BE(1, u16));
  EXPECT_EQ(u16, 0x0203);
  ASSERT_TRUE(r.U32LE(4, u32));
  EXPECT_EQ(u32, 0x08070605u);
  ASSERT_TRUE(r.U32BE(0, u32));
  EXPECT_EQ(u32, 0x01020304u);
  ASSERT_TRUE(r.U64LE(0, u64));
  EXPECT_EQ(u64, 0x0807060504030201ull);
  ASSERT_TRUE(r.U64BE(0, u64));
  EXPECT_EQ(u64, 0x0102030405060708ull);
}

TEST(ByteReader, ReadsPastTheEndFailAndLeaveTheOutputAlone) {
  ByteReader r(kBytes);
  uint32_t u32 = 0xDEADBEEF;
  uint64_t u64 = 7;
  uint8_t u8 = 9;
  std::span<const uint8_t> span;
  EXPECT_FALSE(r.U32LE(5, u32));
  EXPECT_FALSE(r.U32LE(UINT64_MAX - 1, u32));  // offset + size would wrap
  EXPECT_FALSE(r.U64BE(1, u64));
  EXPECT_FALSE(r.U8(8, u8));
  EXPECT_FALSE(r.Bytes(4, 5, span));
  EXPECT_FALSE(r.Bytes(9, 0, span));
  EXPECT_FALSE(r.Bytes(1, UINT64_MAX, span));
  EXPECT_EQ(u32, 0xDEADBEEFu);
  EXPECT_EQ(u64, 7u);
  EXPECT_EQ(u8, 9u);
  EXPECT_TRUE(r.Bytes(8, 0, span));
  EXPECT_TRUE(span.empty());
  EXPECT_TRUE(r.Bytes(6, 2, span));
  EXPECT_EQ(span[1], 0x08);
}

TEST(ByteReader, EmptyDataHasNothingToRead) {
  ByteReader r(std::span<const uint8_t>{});
  uint8_t u8 = 0;
  EXPECT_FALSE(r.U8(0, u8));
  EXPECT_TRUE(r.Has(0, 0));
}

}  // namespace
}  // namespace ortelan
