#pragma once

// Turning one thumbnail record into a picture: the 16-bit bitmap of the
// display and RGB formats, and the nRGB, uYUV and Yuv export formats.

#include <cstdint>
#include <span>

#include "photo/Picture.h"

namespace ortelan {

constexpr size_t kBmpHeaderSize = 66;
constexpr size_t kNrgbBufferBytes = 46464;   // 176 x 132 16-bit values
constexpr size_t kYuvBufferBytes = 691200;   // 720 x 480 planar 4:2:0
constexpr size_t kUyvyRecordBytes = 691200;  // 720 x 480 interlaced UYVY

// Rounds to the nearest integer, halves to the even one, within 0..255.
uint8_t ClampByte(double x);

// Fills the 66-byte header that makes a 16-bit record a bitmap file.
void FillBmpHeader(uint8_t (&header)[kBmpHeaderSize], int32_t width, int32_t height,
                   uint32_t imageBytes, bool fiveFiveFive);

// Loads a bitmap file of 16 bits per pixel with bit-field masks (the header
// above followed by the pixels). Each channel is widened to 8 bits by
// repeating its top bits. False when the file is not such a bitmap or its
// pixels are cut short.
bool LoadBitmap16(std::span<const uint8_t> file, TPicture24& picture);
// The top-left `width` x `height` of rows of 16-bit 5-6-5 little-endian
// pixels `rowBytes` apart, widened as LoadBitmap16 does. False when
// `pixels` does not hold them.
bool DecodeRgb565(std::span<const uint8_t> pixels, size_t rowBytes, int width, int height,
                  TPicture24& picture);

// Swaps the two bytes of each 16-bit value (big-endian records).
void SwapBytePairs(std::span<uint8_t> bytes);

// 720 x 480 interlaced UYVY to the 704 x 480 work picture (8 columns cut on
// each side); false when `record` holds fewer than kUyvyRecordBytes.
bool DecodeUyvy(std::span<const uint8_t> record, TPicture24& work);

// 720 x 480 planar Y, U, V (4:2:0) to a 720 x 480 picture; false when
// `record` holds fewer than kYuvBufferBytes.
bool DecodeYuv(std::span<const uint8_t> record, TPicture24& picture);

// Bilinear resampling of `src` to the size of `dst`, in 16.16 fixed point;
// the weights add up to 0xFFFF, so full intensity comes out one lower.
void ScaleBitmap(const TPicture24& src, TPicture24& dst);

// DecodeUyvy followed by ScaleBitmap to 640 x 480, for the rows [rowFrom,
// rowTo) of `scaled` only and without the whole work picture, so that two
// threads can share a photo; `scaled` must already be 640 x 480. False when
// `record` is short.
bool DecodeUyvyScaled(std::span<const uint8_t> record, TPicture24& scaled, int rowFrom, int rowTo);
// How many of its 480 rows the reading thread should make of a uYUV photo
// when another thread encodes it: all where the vector form runs (encoding
// is then the longer part), else about three fifths.
int UyvyRowsBeforeEncoding();

}  // namespace ortelan
