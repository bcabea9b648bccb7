#include "photo/ThumbDecoding.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <vector>

#include "photo/UyvyRows.h"
#include "util/ByteReader.h"

namespace ortelan {

namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A channel of `bits` bits at `shift`, widened to 8 bits by repeating its
// top bits below it (31 -> 255, 16 -> 132), through a table of every value.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint8_t widened[256] = {};

  explicit Channel(uint32_t m) : mask(m & 0xFFFF) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    const int bits = std::min(std::popcount(mask), 8);
    mask &= ((1u << bits) - 1) << shift;  // a wider channel keeps its top 8 bits' place
    for (uint32_t v = 0; v < (1u << bits); ++v) {
      uint32_t out = 0;
      for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | v;
      widened[v] = static_cast<uint8_t>(out >> ((8 + bits - 1) / bits * bits - 8));
    }
  }
  uint8_t Widen(uint16_t pixel) const { return widened[(pixel & mask) >> shift]; }
};

// The terms of the colour conversion for every byte value, computed once; a
// pixel then adds the same double products the formula would compute.
struct YuvTerms {
  double y[256], rv[256], gu[256], gv[256], bu[256];
  YuvTerms(double guFactor, double buFactor) {
    for (int i = 0; i < 256; ++i) {
      y[i] = 1.164 * (i - 16);
      rv[i] = 1.596 * (i - 128);
      gu[i] = guFactor * (i - 128);
      gv[i] = 0.813 * (i - 128);
      bu[i] = buFactor * (i - 128);
    }
    BuildLookups();
  }
  void Convert(uint8_t y8, uint8_t u8, uint8_t v8, uint8_t* px) const {
    px[0] = red[y8 << 8 | v8];
    px[1] = ClampByte(y[y8] - gu[u8] - gv[v8]);
    px[2] = blue[y8 << 8 | u8];
  }
  // Red depends on Y and V only, blue on Y and U only: both are looked up.
  void BuildLookups() {
    for (int yi = 0; yi < 256; ++yi) {
      for (int c = 0; c < 256; ++c) {
        red[yi << 8 | c] = ClampByte(y[yi] + rv[c]);
        blue[yi << 8 | c] = ClampByte(y[yi] + bu[c]);
      }
    }
  }
  uint8_t red[65536], blue[65536];
};

uint32_t ScaleStep(int from, int to) {
  return static_cast<uint32_t>(from) * 65536u / static_cast<uint32_t>(to);
}

}  // namespace

namespace {
std::atomic<bool> vectorRowsAllowed{true};
}  // namespace

void uyvy::AllowVectorRows(bool allowed) { vectorRowsAllowed = allowed; }

bool uyvy::HasVectorRows() {
#ifdef ORTELAN_AVX2_ROWS
  static const bool has = __builtin_cpu_supports("avx2");
  return has && vectorRowsAllowed;
#else
  return false;
#endif
}

uyvy::UnitColumn uyvy::UnitColumnOf(int c, int srcWidth, int dstWidth) {
  const uint32_t fx = static_cast<uint32_t>(c) * ScaleStep(srcWidth, dstWidth);
  const uint32_t s = fx >> 16;
  const uint32_t s1 = s + 1 < static_cast<uint32_t>(srcWidth) ? s + 1 : s;
  return {s, s1, static_cast<int32_t>((0xFFFF * (fx & 0xFFFF)) >> 16)};
}

namespace {

// The resampling of a row whose lower neighbour has no weight: each target
// column mixes source columns s and s + 1 with weights 0xFFFF - p and p, which
// is worked out as L + (((R - L) * p - L) >> 16) with one multiplication.
class UnitRowScaler {
 public:
  UnitRowScaler(int srcWidth, int dstWidth) : columns_(static_cast<size_t>(dstWidth)) {
    for (int c = 0; c < dstWidth; ++c) {
      const uyvy::UnitColumn col = uyvy::UnitColumnOf(c, srcWidth, dstWidth);
      columns_[static_cast<size_t>(c)] = {3 * col.s, 3 * col.s1, col.p};
    }
  }
  void ScaleRow(const uint8_t* in, uint8_t* out) const {
    for (const Column& col : columns_) {
      for (uint32_t ch = 0; ch < 3; ++ch) {
        const int32_t left = in[col.left + ch], right = in[col.right + ch];
        *out++ = static_cast<uint8_t>(left + (((right - left) * col.p - left) >> 16));
      }
    }
  }

 private:
  struct Column {
    uint32_t left, right;  // byte offsets of columns s and s + 1 (kept inside the row)
    int32_t p;             // weight of column s + 1
  };
  std::vector<Column> columns_;
};

// Row r of a uYUV photo is line r / 2 of field r % 2; this points at the
// first of its kept pixels.
const uint8_t* UyvyKeptPixels(std::span<const uint8_t> record, int r) {
  constexpr int kRowBytes = 1440, kFieldBytes = 345600;
  return record.data() + (r & 1) * kFieldBytes + (r >> 1) * kRowBytes + 2 * uyvy::kCutPixels;
}

// Row r of the 704-column work picture.
void DecodeUyvyRow(std::span<const uint8_t> record, int r, uint8_t* out) {
  static const YuvTerms terms(0.392, 2.017);
  const uint8_t* kept = UyvyKeptPixels(record, r);
  // A pair of pixels (even j, odd j + 1) shares the U and V around it.
  for (int j = 0; j < uyvy::kWorkWidth; j += 2) {
    const uint8_t u = kept[2 * j], v = kept[2 * j + 2];
    terms.Convert(kept[2 * j + 1], u, v, out + 3 * j);
    terms.Convert(kept[2 * j + 3], u, v, out + 3 * (j + 1));
  }
}

}  // namespace

uint8_t ClampByte(double x) {
  if (!(x > -0.5)) return 0;  // NaN too
  if (x >= 255.5) return 255;
  // Adding and taking away 1.5 x 2^52 leaves x rounded to an integer the way
  // the processor rounds, halves to even, without a library call per channel.
  constexpr double kRound = 6755399441055744.0;
  const double rounded = (x + kRound) - kRound;
  return static_cast<uint8_t>(rounded);
}

void FillBmpHeader(uint8_t (&h)[kBmpHeaderSize], int32_t width, int32_t height, uint32_t imageBytes,
                   bool fiveFiveFive) {
  std::fill(std::begin(h), std::end(h), 0);
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, imageBytes + kBmpHeaderSize);
  Put32(h + 10, kBmpHeaderSize);
  Put32(h + 14, 40);
  Put32(h + 18, static_cast<uint32_t>(width));
  Put32(h + 22, 0u - static_cast<uint32_t>(height));  // negative: rows top to bottom
  Put16(h + 26, 1);
  Put16(h + 28, 16);
  Put32(h + 30, 3);
  Put32(h + 34, imageBytes);
  Put32(h + 54, fiveFiveFive ? 0x7C00 : 0xF800);
  Put32(h + 58, fiveFiveFive ? 0x03E0 : 0x07E0);
  Put32(h + 62, 0x001F);
}

namespace {

// What LoadBitmap16 needs of a bitmap's headers.
struct Bitmap16Header {
  uint32_t pixelOffset = 0;
  int64_t width = 0, height = 0;
  bool topDown = false;  // rows stored top to bottom (a negative height)
  uint64_t stride = 0;   // bytes from one stored row to the next
  uint32_t red = 0, green = 0, blue = 0;
};

// False when `file` is no 16-bit bit-field bitmap whose pixels it holds.
bool ReadBitmap16Header(const ByteReader& r, Bitmap16Header& h) {
  constexpr uint16_t kBitmapMagic = 0x4D42;  // "BM"
  constexpr uint32_t kBitFields = 3;
  constexpr int64_t kLargestSide = 16384;
  uint16_t magic = 0, bitsPerPixel = 0;
  uint32_t infoSize = 0, compression = 0, rawWidth = 0, rawHeight = 0;
  if (!r.U16LE(0, magic) || magic != kBitmapMagic || !r.U32LE(10, h.pixelOffset) ||
      !r.U32LE(14, infoSize) || !r.U32LE(18, rawWidth) || !r.U32LE(22, rawHeight) ||
      !r.U16LE(28, bitsPerPixel) || !r.U32LE(30, compression) || bitsPerPixel != 16 ||
      compression != kBitFields || !r.U32LE(54, h.red) || !r.U32LE(58, h.green) ||
      !r.U32LE(62, h.blue)) {
    return false;
  }
  h.width = static_cast<int32_t>(rawWidth);
  const int64_t signedHeight = static_cast<int32_t>(rawHeight);
  h.topDown = signedHeight < 0;
  h.height = h.topDown ? -signedHeight : signedHeight;
  if (h.width <= 0 || h.height <= 0 || h.width > kLargestSide || h.height > kLargestSide) {
    return false;
  }
  h.stride = (static_cast<uint64_t>(h.width) * 2 + 3) & ~uint64_t{3};
  return r.Has(h.pixelOffset, h.stride * (h.height - 1) + static_cast<uint64_t>(h.width) * 2);
}

// Every 16-bit value mapped to its widened colour once per set of masks
// (the masks of a device never change), kept per thread.
struct ColourTable {
  uint32_t red = 0, green = 0, blue = 0;
  bool filled = false;
  uint8_t rgb[65536][3];
};

const ColourTable& ColoursFor(uint32_t red, uint32_t green, uint32_t blue) {
  thread_local std::unique_ptr<ColourTable> table;
  if (!table) table = std::make_unique<ColourTable>();
  if (table->filled && table->red == red && table->green == green && table->blue == blue) {
    return *table;
  }
  const Channel r5(red), g6(green), b5(blue);
  for (uint32_t v = 0; v < 65536; ++v) {
    const auto pixel = static_cast<uint16_t>(v);
    table->rgb[v][0] = r5.Widen(pixel);
    table->rgb[v][1] = g6.Widen(pixel);
    table->rgb[v][2] = b5.Widen(pixel);
  }
  table->red = red, table->green = green, table->blue = blue, table->filled = true;
  return *table;
}

// The rows of 16-bit little-endian pixels from `first` on, `stride` bytes
// apart, into `picture` at its size; bottom to top unless `topDown`.
void DecodeRows16(const ColourTable& colours, const uint8_t* first, uint64_t stride, bool topDown,
                  TPicture24& picture) {
  for (int y = 0; y < picture.Height; ++y) {
    const int sourceRow = topDown ? y : picture.Height - 1 - y;
    const uint8_t* in = first + stride * static_cast<uint64_t>(sourceRow);
    uint8_t* out = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x) {
      const uint8_t* colour = colours.rgb[in[2 * x] | in[2 * x + 1] << 8];
      out[3 * x] = colour[0];
      out[3 * x + 1] = colour[1];
      out[3 * x + 2] = colour[2];
    }
  }
}

}  // namespace

bool LoadBitmap16(std::span<const uint8_t> file, TPicture24& picture) {
  Bitmap16Header h;
  if (!ReadBitmap16Header(ByteReader(file), h)) return false;
  picture.SetSize(static_cast<int>(h.width), static_cast<int>(h.height));
  DecodeRows16(ColoursFor(h.red, h.green, h.blue), file.data() + h.pixelOffset, h.stride, h.topDown,
               picture);
  return true;
}

bool DecodeRgb565(std::span<const uint8_t> pixels, size_t rowBytes, int width, int height,
                  TPicture24& picture) {
  if (width <= 0 || height <= 0 || rowBytes < size_t{2} * width ||
      pixels.size() < rowBytes * (height - 1) + size_t{2} * width) {
    return false;
  }
  picture.SetSize(width, height);
  DecodeRows16(ColoursFor(0xF800, 0x07E0, 0x001F), pixels.data(), rowBytes, true, picture);
  return true;
}

void SwapBytePairs(std::span<uint8_t> bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

bool DecodeUyvy(std::span<const uint8_t> record, TPicture24& work) {
  if (record.size() < kUyvyRecordBytes) return false;
  work.SetSize(uyvy::kWorkWidth, uyvy::kHeight);
  for (int r = 0; r < uyvy::kHeight; ++r) DecodeUyvyRow(record, r, work.Row(r));
  return true;
}

bool DecodeYuv(std::span<const uint8_t> record, TPicture24& picture) {
  if (record.size() < kYuvBufferBytes) return false;
  constexpr int kWidth = 720, kHeight = 480, kUPlane = 345600, kVPlane = 432000;
  static const YuvTerms terms(0.391, 2.018);
  picture.SetSize(kWidth, kHeight);
  for (int j = 0; j < kHeight; ++j) {
    uint8_t* out = picture.Row(j);
    for (int i = 0; i < kWidth; ++i) {
      terms.Convert(record[j * kWidth + i], record[kUPlane + (j / 2) * 360 + i / 2],
                    record[kVPlane + (j / 2) * 360 + i / 2], out + 3 * i);
    }
  }
  return true;
}

void ScaleBitmap(const TPicture24& src, TPicture24& dst) {
  if (src.Width <= 0 || src.Height <= 0 || dst.Width <= 0 || dst.Height <= 0) return;
  const uint32_t stepX = ScaleStep(src.Width, dst.Width);
  const uint32_t stepY = ScaleStep(src.Height, dst.Height);
  // What depends on the column alone is the same for every row.
  struct Column {
    uint32_t left, right, wx;  // byte offsets of columns s and s + 1 (kept inside the row)
  };
  std::vector<Column> columns(static_cast<size_t>(dst.Width));
  for (int c = 0; c < dst.Width; ++c) {
    const uint32_t fx = static_cast<uint32_t>(c) * stepX;
    const uint32_t s = fx >> 16;
    const uint32_t s1 = s + 1 < static_cast<uint32_t>(src.Width) ? s + 1 : s;
    columns[static_cast<size_t>(c)] = {3 * s, 3 * s1, fx & 0xFFFF};
  }
  std::unique_ptr<UnitRowScaler> unitRows;
  for (int r = 0; r < dst.Height; ++r) {
    const uint32_t fy = static_cast<uint32_t>(r) * stepY;
    const int a = static_cast<int>(fy >> 16);
    const int b = a < src.Height - 1 ? a + 1 : a;
    const uint32_t wy = fy & 0xFFFF, wy1 = 0xFFFF - wy;
    const uint8_t* rowA = src.Row(a);
    const uint8_t* rowB = src.Row(b);
    uint8_t* out = dst.Row(r);
    if (wy == 0) {
      // Row B has no weight (every row when the height is kept, as for uYUV).
      if (!unitRows) unitRows = std::make_unique<UnitRowScaler>(src.Width, dst.Width);
      unitRows->ScaleRow(rowA, out);
      continue;
    }
    for (const Column& col : columns) {
      const uint32_t p = (wy1 * col.wx) >> 16, q = (wy * col.wx) >> 16;
      const uint32_t wA = wy1 - p, wB = wy - q;
      for (uint32_t ch = 0; ch < 3; ++ch) {
        *out++ = static_cast<uint8_t>((rowA[col.left + ch] * wA + rowA[col.right + ch] * p +
                                       rowB[col.left + ch] * wB + rowB[col.right + ch] * q) >>
                                      16);
      }
    }
  }
}

int UyvyRowsBeforeEncoding() { return uyvy::HasVectorRows() ? uyvy::kHeight : 288; }

bool DecodeUyvyScaled(std::span<const uint8_t> record, TPicture24& scaled, int rowFrom, int rowTo) {
  if (record.size() < kUyvyRecordBytes || scaled.Width != uyvy::kScaledWidth ||
      scaled.Height != uyvy::kHeight) {
    return false;
  }
  rowFrom = std::max(rowFrom, 0);
  rowTo = std::min(rowTo, uyvy::kHeight);
  if (uyvy::HasVectorRows()) {
    for (int r = rowFrom; r < rowTo; ++r) {
      uyvy::ConvertAndScaleRowAvx2(UyvyKeptPixels(record, r), scaled.Row(r));
    }
    return true;
  }
  static const UnitRowScaler columns(uyvy::kWorkWidth, uyvy::kScaledWidth);
  uint8_t line[3 * uyvy::kWorkWidth];
  for (int r = rowFrom; r < rowTo; ++r) {
    DecodeUyvyRow(record, r, line);
    columns.ScaleRow(line, scaled.Row(r));
  }
  return true;
}

}  // namespace ortelan
