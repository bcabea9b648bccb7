#include <immintrin.h>

#include <algorithm>
#include <array>

#include "photo/UyvyRows.h"

// Eight pixels at a time in double precision, in the same order of
// operations as the one-pixel conversion, so every result is bit for bit the
// same. This file alone is built for AVX2, and without FMA: a fused
// multiply-add would round differently. Nothing here runs before
// HasVectorRows() said yes.

namespace ortelan::uyvy {

namespace {

constexpr int kBlock = 8;  // target or source pixels handled together
constexpr int kBlocks = kScaledWidth / kBlock;
constexpr int kPlanePadding = 16;

// Per block of eight target columns: where its source bytes start in a
// plane, the shuffle that picks the eight left (low half) and eight right
// (high half) source bytes from the 16 there, and the eight weights.
struct ScaleBlock {
  uint32_t start;
  alignas(16) int8_t pick[16];
  alignas(32) int32_t p[kBlock];
};

std::array<ScaleBlock, kBlocks> MakeScaleBlocks() {
  std::array<ScaleBlock, kBlocks> blocks{};
  for (int b = 0; b < kBlocks; ++b) {
    ScaleBlock& block = blocks[static_cast<size_t>(b)];
    block.start = UnitColumnOf(b * kBlock, kWorkWidth, kScaledWidth).s;
    for (int i = 0; i < kBlock; ++i) {
      const UnitColumn col = UnitColumnOf(b * kBlock + i, kWorkWidth, kScaledWidth);
      block.pick[i] = static_cast<int8_t>(col.s - block.start);
      block.pick[kBlock + i] = static_cast<int8_t>(col.s1 - block.start);
      block.p[i] = col.p;
    }
  }
  return blocks;
}

__m128i RoundToBytes(__m256d low, __m256d high) {
  const __m256d magic = _mm256_set1_pd(6755399441055744.0);  // 1.5 x 2^52: rounds half to even
  const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0);
  low = _mm256_min_pd(_mm256_max_pd(_mm256_sub_pd(_mm256_add_pd(low, magic), magic), zero), top);
  high = _mm256_min_pd(_mm256_max_pd(_mm256_sub_pd(_mm256_add_pd(high, magic), magic), zero), top);
  const __m128i words = _mm_packs_epi32(_mm256_cvttpd_epi32(low), _mm256_cvttpd_epi32(high));
  return _mm_packus_epi16(words, words);
}

__m256d BytesToDoubles(__m128i bytes, __m256d minus) {
  return _mm256_sub_pd(_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(bytes)), minus);
}

// 704 UYVY pixels to three planes of bytes.
void ConvertRow(const uint8_t* kept, uint8_t* red, uint8_t* green, uint8_t* blue) {
  const __m128i pickY = _mm_setr_epi8(1, 3, 5, 7, 9, 11, 13, 15, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i pickU = _mm_setr_epi8(0, 0, 4, 4, 8, 8, 12, 12, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i pickV = _mm_setr_epi8(2, 2, 6, 6, 10, 10, 14, 14, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m256d c16 = _mm256_set1_pd(16), c128 = _mm256_set1_pd(128);
  const __m256d fy = _mm256_set1_pd(1.164), frv = _mm256_set1_pd(1.596);
  const __m256d fgu = _mm256_set1_pd(0.392), fgv = _mm256_set1_pd(0.813);
  const __m256d fbu = _mm256_set1_pd(2.017);
  for (int j = 0; j < kWorkWidth; j += kBlock) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kept + 2 * j));
    const __m128i y8 = _mm_shuffle_epi8(in, pickY);
    const __m128i u8 = _mm_shuffle_epi8(in, pickU);
    const __m128i v8 = _mm_shuffle_epi8(in, pickV);
    __m256d y[2], u[2], v[2];
    y[0] = _mm256_mul_pd(BytesToDoubles(y8, c16), fy);
    y[1] = _mm256_mul_pd(BytesToDoubles(_mm_srli_si128(y8, 4), c16), fy);
    u[0] = BytesToDoubles(u8, c128);
    u[1] = BytesToDoubles(_mm_srli_si128(u8, 4), c128);
    v[0] = BytesToDoubles(v8, c128);
    v[1] = BytesToDoubles(_mm_srli_si128(v8, 4), c128);
    auto r = [&](int h) { return _mm256_add_pd(y[h], _mm256_mul_pd(frv, v[h])); };
    auto g = [&](int h) {
      return _mm256_sub_pd(_mm256_sub_pd(y[h], _mm256_mul_pd(fgu, u[h])), _mm256_mul_pd(fgv, v[h]));
    };
    auto b = [&](int h) { return _mm256_add_pd(y[h], _mm256_mul_pd(fbu, u[h])); };
    _mm_storel_epi64(reinterpret_cast<__m128i*>(red + j), RoundToBytes(r(0), r(1)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(green + j), RoundToBytes(g(0), g(1)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(blue + j), RoundToBytes(b(0), b(1)));
  }
}

// Eight target values of one plane: L + (((R - L) * p - L) >> 16).
__m128i ScaleEight(const uint8_t* plane, const ScaleBlock& block) {
  const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + block.start));
  const __m128i picked =
      _mm_shuffle_epi8(source, _mm_load_si128(reinterpret_cast<const __m128i*>(block.pick)));
  const __m256i left = _mm256_cvtepu8_epi32(picked);
  const __m256i right = _mm256_cvtepu8_epi32(_mm_srli_si128(picked, 8));
  const __m256i p = _mm256_load_si256(reinterpret_cast<const __m256i*>(block.p));
  const __m256i mixed = _mm256_add_epi32(
      left, _mm256_srai_epi32(
                _mm256_sub_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(right, left), p), left), 16));
  const __m128i words =
      _mm_packus_epi32(_mm256_castsi256_si128(mixed), _mm256_extracti128_si256(mixed, 1));
  return _mm_packus_epi16(words, words);
}

// Eight pixels from three planes' eight bytes each to 24 interleaved bytes.
void StoreRgb(__m128i r, __m128i g, __m128i b, uint8_t* out) {
  const __m128i rg = _mm_unpacklo_epi64(r, g);
  const __m128i firstRg = _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
  const __m128i firstB = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i restRg =
      _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i restB = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                   _mm_or_si128(_mm_shuffle_epi8(rg, firstRg), _mm_shuffle_epi8(b, firstB)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16),
                   _mm_or_si128(_mm_shuffle_epi8(rg, restRg), _mm_shuffle_epi8(b, restB)));
}

}  // namespace

void ConvertAndScaleRowAvx2(const uint8_t* kept, uint8_t* out) {
  static const std::array<ScaleBlock, kBlocks> blocks = MakeScaleBlocks();
  alignas(32) uint8_t planes[3][kWorkWidth + kPlanePadding];
  for (auto& plane : planes)
    std::fill_n(plane + kWorkWidth, kPlanePadding, 0);  // loaded, never picked
  ConvertRow(kept, planes[0], planes[1], planes[2]);
  for (int b = 0; b < kBlocks; ++b) {
    const ScaleBlock& block = blocks[static_cast<size_t>(b)];
    StoreRgb(ScaleEight(planes[0], block), ScaleEight(planes[1], block),
             ScaleEight(planes[2], block), out + 3 * kBlock * b);
  }
}

}  // namespace ortelan::uyvy
