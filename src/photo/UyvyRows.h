#pragma once

// The rows of a uYUV photo: 720 interlaced UYVY pixels, of which the middle
// 704 are converted to RGB and resampled to 640 columns (the height is kept,
// so each target row comes from one source row).

#include <cstdint>

namespace ortelan::uyvy {

constexpr int kWorkWidth = 704;
constexpr int kScaledWidth = 640;
constexpr int kHeight = 480;
constexpr int kCutPixels = 8;  // left out on each side of the 720

// Target column c of a row resampled from srcWidth to dstWidth columns with
// the lower row unweighted: source columns s and s1 = s + 1 (kept inside the
// row) with weights 0xFFFF - p and p.
struct UnitColumn {
  uint32_t s, s1;
  int32_t p;
};
UnitColumn UnitColumnOf(int c, int srcWidth, int dstWidth);

// True when this processor runs the vector form below (and it was built and
// is allowed).
bool HasVectorRows();
// Turns the vector form off or on again, so that the one-pixel form can be
// run and compared on any processor.
void AllowVectorRows(bool allowed);

// Converts the 704 kept pixels of one row (`kept` points at the U byte of the
// first of them) and writes the 640 resampled RGB pixels to `out`, with the
// same results as the one-pixel-at-a-time conversion and resampling. Reads
// 16 bytes past the last kept pixel at most (still inside the 720-pixel row).
void ConvertAndScaleRowAvx2(const uint8_t* kept, uint8_t* out);

}  // namespace ortelan::uyvy
