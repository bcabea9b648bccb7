#include "photo/ThumbDecoding.h"

#include <bit>
#include <cmath>

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
// top bits below it (31 -> 255, 16 -> 132).
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
  }
  uint8_t Widen(uint16_t pixel) const {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | v;
    return static_cast<uint8_t>(out >> ((8 + bits - 1) / bits * bits - 8));
  }
};

}  // namespace

uint8_t ClampByte(double x) {
  const double rounded = std::nearbyint(x);  // the default mode rounds halves to even
  if (rounded > 255) return 255;
  if (rounded < 0) return 0;
  return static_cast<uint8_t>(rounded);
}

void FillBmpHeader(uint8_t (&h)[kBmpHeaderSize], int32_t width, int32_t height,
                   uint32_t imageBytes, bool fiveFiveFive) {
  std::fill(std::begin(h), std::end(h), 0);
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, imageBytes + kBmpHeaderSize);
  Put32(h + 10, kBmpHeaderSize);
  Put32(h + 14, 40);
  Put32(h + 18, static_cast<uint32_t>(width));
  Put32(h + 22, static_cast<uint32_t>(-height));
  Put16(h + 26, 1);
  Put16(h + 28, 16);
  Put32(h + 30, 3);
  Put32(h + 34, imageBytes);
  Put32(h + 54, fiveFiveFive ? 0x7C00 : 0xF800);
  Put32(h + 58, fiveFiveFive ? 0x03E0 : 0x07E0);
  Put32(h + 62, 0x001F);
}

bool LoadBitmap16(std::span<const uint8_t> file, TPicture24& picture) {
  const ByteReader r(file);
  uint16_t magic = 0, bitsPerPixel = 0;
  uint32_t pixelOffset = 0, infoSize = 0, compression = 0, rawWidth = 0, rawHeight = 0;
  uint32_t red = 0, green = 0, blue = 0;
  if (!r.U16LE(0, magic) || magic != 0x4D42 || !r.U32LE(10, pixelOffset) ||
      !r.U32LE(14, infoSize) || !r.U32LE(18, rawWidth) || !r.U32LE(22, rawHeight) ||
      !r.U16LE(28, bitsPerPixel) || !r.U32LE(30, compression) || bitsPerPixel != 16 ||
      compression != 3 || !r.U32LE(54, red) || !r.U32LE(58, green) || !r.U32LE(62, blue)) {
    return false;
  }
  const auto width = static_cast<int32_t>(rawWidth);
  const auto signedHeight = static_cast<int32_t>(rawHeight);
  const int32_t height = signedHeight < 0 ? -signedHeight : signedHeight;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  const uint64_t stride = (static_cast<uint64_t>(width) * 2 + 3) & ~uint64_t{3};
  if (!r.Has(pixelOffset, stride * (height - 1) + static_cast<uint64_t>(width) * 2)) return false;

  const Channel r5(red), g6(green), b5(blue);
  picture.SetSize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    // A positive height stores the rows bottom to top.
    const int32_t sourceRow = signedHeight < 0 ? y : height - 1 - y;
    const uint8_t* in = file.data() + pixelOffset + stride * static_cast<uint64_t>(sourceRow);
    uint8_t* out = picture.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      const auto pixel = static_cast<uint16_t>(in[2 * x] | in[2 * x + 1] << 8);
      out[3 * x] = r5.Widen(pixel);
      out[3 * x + 1] = g6.Widen(pixel);
      out[3 * x + 2] = b5.Widen(pixel);
    }
  }
  return true;
}

void SwapBytePairs(std::span<uint8_t> bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

void DecodeUyvy(std::span<const uint8_t> record, TPicture24& work) {
  constexpr int kRowBytes = 1440, kFieldBytes = 345600, kCut = 8, kWorkWidth = 704;
  work.SetSize(kWorkWidth, 480);
  for (int field = 0; field < 2; ++field) {
    for (int k = 0; k < 240; ++k) {
      const uint8_t* row = record.data() + field * kFieldBytes + k * kRowBytes;
      uint8_t* out = work.Row(2 * k + field);
      for (int j = kCut; j < kCut + kWorkWidth; ++j) {
        const double y = row[2 * j + 1];
        const double u = (j % 2 == 0) ? row[2 * j] : row[2 * j - 2];
        const double v = (j % 2 == 0) ? row[2 * j + 2] : row[2 * j];
        uint8_t* px = out + 3 * (j - kCut);
        px[0] = ClampByte(1.164 * (y - 16) + 1.596 * (v - 128));
        px[1] = ClampByte(1.164 * (y - 16) - 0.392 * (u - 128) - 0.813 * (v - 128));
        px[2] = ClampByte(1.164 * (y - 16) + 2.017 * (u - 128));
      }
    }
  }
}

void DecodeYuv(std::span<const uint8_t> record, TPicture24& picture) {
  constexpr int kWidth = 720, kHeight = 480, kUPlane = 345600, kVPlane = 432000;
  picture.SetSize(kWidth, kHeight);
  for (int j = 0; j < kHeight; ++j) {
    uint8_t* out = picture.Row(j);
    for (int i = 0; i < kWidth; ++i) {
      const double y = record[j * kWidth + i];
      const double u = record[kUPlane + (j / 2) * 360 + i / 2];
      const double v = record[kVPlane + (j / 2) * 360 + i / 2];
      out[3 * i] = ClampByte(1.164 * (y - 16) + 1.596 * (v - 128));
      out[3 * i + 1] = ClampByte(1.164 * (y - 16) - 0.391 * (u - 128) - 0.813 * (v - 128));
      out[3 * i + 2] = ClampByte(1.164 * (y - 16) + 2.018 * (u - 128));
    }
  }
}

void ScaleBitmap(const TPicture24& src, TPicture24& dst) {
  if (src.Width <= 0 || src.Height <= 0 || dst.Width <= 0 || dst.Height <= 0) return;
  const uint32_t stepX = static_cast<uint32_t>(src.Width) * 65536u / static_cast<uint32_t>(dst.Width);
  const uint32_t stepY = static_cast<uint32_t>(src.Height) * 65536u / static_cast<uint32_t>(dst.Height);
  for (int r = 0; r < dst.Height; ++r) {
    const uint32_t fy = static_cast<uint32_t>(r) * stepY;
    const int a = static_cast<int>(fy >> 16);
    const int b = a < src.Height - 1 ? a + 1 : a;
    const uint32_t wy = fy & 0xFFFF, wy1 = 0xFFFF - wy;
    const uint8_t* rowA = src.Row(a);
    const uint8_t* rowB = src.Row(b);
    uint8_t* out = dst.Row(r);
    for (int c = 0; c < dst.Width; ++c) {
      const uint32_t fx = static_cast<uint32_t>(c) * stepX;
      const int s = static_cast<int>(fx >> 16);
      // The next column, kept inside the row (the last step of a row).
      const int s1 = s + 1 < src.Width ? s + 1 : s;
      const uint32_t wx = fx & 0xFFFF;
      const uint32_t p = (wy1 * wx) >> 16, q = (wy * wx) >> 16;
      for (int ch = 0; ch < 3; ++ch) {
        out[3 * c + ch] = static_cast<uint8_t>(
            (rowA[3 * s + ch] * (wy1 - p) + rowA[3 * s1 + ch] * p + rowB[3 * s + ch] * (wy - q) +
             rowB[3 * s1 + ch] * q) >> 16);
      }
    }
  }
}

}  // namespace ortelan
