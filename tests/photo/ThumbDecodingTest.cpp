#include <gtest/gtest.h>

#include <vector>

#include "photo/ImageCodec.h"
#include "photo/ThumbDecoding.h"
#include "photo/ThumbFormats.h"
#include "photo/UyvyRows.h"

namespace ortelan {
namespace {

TEST(ClampByte, RoundsHalvesToEvenWithinAByte) {
  const std::pair<double, int> cases[] = {{254.5, 254}, {253.5, 254}, {255.6, 255},
                                          {-0.4, 0},    {0.5, 0},     {1.5, 2},
                                          {-7, 0},      {1000, 255},  {127.49, 127}};
  for (const auto& [x, expected] : cases) EXPECT_EQ(ClampByte(x), expected) << x;
}

// A bitmap file of 16-bit pixels as the library writes it for a record.
std::vector<uint8_t> Bitmap(int width, int height, const std::vector<uint16_t>& pixels,
                            bool fiveFiveFive, size_t trailer = 0) {
  uint8_t header[kBmpHeaderSize];
  FillBmpHeader(header, width, height, static_cast<uint32_t>(pixels.size() * 2), fiveFiveFive);
  std::vector<uint8_t> file(header, header + kBmpHeaderSize);
  for (uint16_t p : pixels) {
    file.push_back(static_cast<uint8_t>(p));
    file.push_back(static_cast<uint8_t>(p >> 8));
  }
  file.resize(file.size() + trailer, 0xEE);
  return file;
}

TEST(LoadBitmap16, WidensChannelsByRepeatingTheirBits) {
  // 5-6-5: white, pure red, pure green, mid grey; two rows of two.
  TPicture24 picture;
  ASSERT_TRUE(LoadBitmap16(Bitmap(2, 2, {0xFFFF, 0xF800, 0x07E0, 0x8410}, false), picture));
  ASSERT_EQ(picture.Width, 2);
  const std::vector<uint8_t> expected = {255, 255, 255, 255, 0,   0,     // row 0
                                         0,   255, 0,   132, 130, 132};  // row 1
  EXPECT_EQ(picture.Pixels, expected);
  // 5-5-5 masks of iOS: 0x7C00 is pure red.
  ASSERT_TRUE(LoadBitmap16(Bitmap(1, 1, {0x7C00}, true), picture));
  EXPECT_EQ(picture.Pixels, (std::vector<uint8_t>{255, 0, 0}));
}

TEST(LoadBitmap16, RowsArePaddedAndTheIosTrailerIsNoPixel) {
  // Three pixels a row: 6 bytes, padded to 8.
  std::vector<uint16_t> pixels = {0xF800, 0xF800, 0xF800, 0, 0x001F, 0x001F, 0x001F, 0};
  TPicture24 picture;
  uint8_t header[kBmpHeaderSize];
  FillBmpHeader(header, 3, 2, 16, false);
  std::vector<uint8_t> file = Bitmap(4, 2, pixels, false);
  std::copy(header, header + kBmpHeaderSize, file.begin());
  ASSERT_TRUE(LoadBitmap16(file, picture));
  EXPECT_EQ(picture.Row(1)[2], 255);  // blue row, not shifted by the padding

  // The 79x79 store: 80 x 79 pixels from the first 12640 bytes of a 12668-byte record.
  std::vector<uint16_t> ios(80 * 79, 0x03E0);
  const auto record = Bitmap(80, 79, ios, true, 28);
  ASSERT_EQ(record.size() - kBmpHeaderSize, 12668u);
  ASSERT_TRUE(LoadBitmap16(record, picture));
  EXPECT_EQ(picture.Width * picture.Height, 6320);
  EXPECT_EQ(picture.Row(78)[3 * 79 + 1], 255);
}

TEST(LoadBitmap16, RefusesWhatItCannotRead) {
  TPicture24 picture;
  auto file = Bitmap(4, 4, std::vector<uint16_t>(16, 0), false);
  EXPECT_FALSE(LoadBitmap16(std::span(file).first(file.size() - 1), picture));  // cut short
  EXPECT_FALSE(LoadBitmap16(std::span(file).first(40), picture));
  file[28] = 24;  // not 16 bits per pixel
  EXPECT_FALSE(LoadBitmap16(file, picture));
}

TEST(Nrgb, SwappedBytesGivePureRed) {
  std::vector<uint8_t> record = {0xF8, 0x00};
  SwapBytePairs(record);
  std::vector<uint16_t> pixels = {static_cast<uint16_t>(record[0] | record[1] << 8)};
  TPicture24 picture;
  ASSERT_TRUE(LoadBitmap16(Bitmap(1, 1, pixels, false), picture));
  EXPECT_EQ(picture.Pixels, (std::vector<uint8_t>{255, 0, 0}));
}

std::vector<uint8_t> UyvyRecord(uint8_t y) {
  std::vector<uint8_t> record(kUyvyRecordBytes);
  for (size_t i = 0; i < record.size(); i += 2) {
    record[i] = 128;  // U or V
    record[i + 1] = y;
  }
  return record;
}

TEST(Uyvy, BlackAndWhiteAndTheScaledDownWhite) {
  TPicture24 work, result;
  DecodeUyvy(UyvyRecord(16), work);
  EXPECT_EQ(work.Width, 704);
  for (uint8_t v : work.Pixels) ASSERT_EQ(v, 0);
  DecodeUyvy(UyvyRecord(235), work);
  for (uint8_t v : work.Pixels) ASSERT_EQ(v, 255);
  result.SetSize(640, 480);
  ScaleBitmap(work, result);
  for (uint8_t v : result.Pixels) ASSERT_EQ(v, 254);  // the weights add up to 0xFFFF
}

TEST(Uyvy, EdgeColumnsAreCutAndFieldsInterlace) {
  std::vector<uint8_t> record = UyvyRecord(16);
  for (int j : {0, 7, 712, 719}) record[2 * j + 1] = 235;  // row 0 of field 0: cut columns
  record[345600 + 2 * 8 + 1] = 235;                        // field 1, row 0, pixel 8 -> row 1
  TPicture24 work;
  DecodeUyvy(record, work);
  for (int x = 0; x < 704; ++x) ASSERT_EQ(work.Row(0)[3 * x], 0) << x;
  EXPECT_EQ(work.Row(1)[0], 255);
  EXPECT_EQ(work.Row(2)[0], 0);
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return bytes;
}

// Every pixel of a random record against the conversion formula, then the
// row-by-row form (vector where the processor allows) against decoding the
// whole work picture and resampling it; among the 340,000 pixels are
// hundreds that land on a half, where only the same double arithmetic in the
// same order gives the same byte.
TEST(Uyvy, EveryPixelFollowsTheFormulaInBothForms) {
  const std::vector<uint8_t> record = RandomBytes(kUyvyRecordBytes, 7);
  TPicture24 work;
  DecodeUyvy(record, work);
  for (int r = 0; r < 480; ++r) {
    const uint8_t* line = record.data() + (r % 2) * 345600 + (r / 2) * 1440 + 16;
    for (int x = 0; x < 704; ++x) {
      const double y = 1.164 * (line[2 * x + 1] - 16);
      const int u = line[4 * (x / 2)] - 128, v = line[4 * (x / 2) + 2] - 128;
      const uint8_t* px = work.Row(r) + 3 * x;
      ASSERT_EQ(px[0], ClampByte(y + 1.596 * v)) << r << "," << x;
      ASSERT_EQ(px[1], ClampByte((y - 0.392 * u) - 0.813 * v)) << r << "," << x;
      ASSERT_EQ(px[2], ClampByte(y + 2.017 * u)) << r << "," << x;
    }
  }
  TPicture24 expected;
  expected.SetSize(640, 480);
  ScaleBitmap(work, expected);
  for (const bool vector : {true, false}) {
    uyvy::AllowVectorRows(vector);
    TPicture24 rows;
    rows.SetSize(640, 480);
    ASSERT_TRUE(DecodeUyvyScaled(record, rows, 0, 101));
    ASSERT_TRUE(DecodeUyvyScaled(record, rows, 101, 480));
    EXPECT_TRUE(rows.Pixels == expected.Pixels) << "vector form allowed: " << vector;
    EXPECT_FALSE(DecodeUyvyScaled(std::span(record).first(kUyvyRecordBytes - 1), rows, 0, 480));
  }
  uyvy::AllowVectorRows(true);
}

TEST(Yuv, NeighboursShareTheirChroma) {
  std::vector<uint8_t> record(kYuvBufferBytes, 128);
  for (int i = 0; i < 720 * 480; ++i) record[i] = 100;
  record[432000 + 1 * 360 + 3] = 200;  // V of rows 2-3, columns 6-7
  TPicture24 picture;
  DecodeYuv(record, picture);
  const uint8_t red = picture.Row(2)[3 * 6];
  EXPECT_GT(red, picture.Row(2)[3 * 5]);
  EXPECT_EQ(picture.Row(3)[3 * 7], red);
  EXPECT_EQ(picture.Row(2)[3 * 7], red);
  EXPECT_EQ(picture.Row(3)[3 * 6], red);
  EXPECT_NE(picture.Row(4)[3 * 6], red);
  EXPECT_EQ(picture.Row(0)[1], ClampByte(1.164 * 84));
}

// One damaged JPEG (a preview cut short, a header of garbage) must not
// spoil the decoder for the pictures after it on the same thread.
TEST(JpegDecoding, ADamagedFileLeavesTheNextOneDecodable) {
  ASSERT_TRUE(ImageCodec::Start());
  TPicture24 picture;
  picture.SetSize(16, 8);
  std::vector<uint8_t> good;
  ASSERT_TRUE(ImageCodec::EncodeJpeg(picture, good));
  std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  std::vector<uint8_t> garbled = good;
  for (size_t i = 20; i < garbled.size() - 2; i += 7) garbled[i] = 0x20;
  std::vector<uint8_t> noJpeg = {0xFF, 0xD8, 0xFF, 0x20, 0x00};
  for (const std::vector<uint8_t>* bad : {&cut, &garbled, &noJpeg}) {
    TPicture24 decoded;
    ImageCodec::DecodeJpeg(*bad, decoded);
    ASSERT_TRUE(ImageCodec::DecodeJpeg(good, decoded));
    EXPECT_EQ(decoded.Width, 16);
    EXPECT_EQ(decoded.Height, 8);
  }
}

// A store's record is its 16-bit pixels and the 28-byte trailer; each store
// has a rank of its own. A row added with a wrong size would shear every tile.
TEST(ThumbFormats, IosStoresHoldTheirPixelsAndTrailerAndAreRankedOnce) {
  std::vector<int> ranks;
  for (const TThumbFormatInfo* store : IosStoresByRank()) {
    EXPECT_EQ(store->IosRecordBytes, store->Width * store->Height * 2 + 28) << store->IosStore;
    EXPECT_EQ(FindIosStore(store->IosStore), store);
    ranks.push_back(store->IosStoreRank);
  }
  EXPECT_EQ(ranks, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(FindIosStore("79X79.ITHMB")->Id, 3011);  // any letter case
  for (const TThumbFormatInfo& row : ThumbFormats()) EXPECT_EQ(FindThumbFormat(row.Id), &row);
}

}  // namespace
}  // namespace ortelan
