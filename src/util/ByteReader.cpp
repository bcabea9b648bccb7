#include "util/ByteReader.h"

namespace ortelan {

template <typename T, bool BigEndian>
bool ByteReader::ReadInt(uint64_t offset, T& out) const {
  if (!Has(offset, sizeof(T))) return false;
  const uint8_t* p = data_.data() + offset;
  T value = 0;
  for (size_t i = 0; i < sizeof(T); ++i) {
    const size_t shift = BigEndian ? (sizeof(T) - 1 - i) * 8 : i * 8;
    value |= static_cast<T>(static_cast<T>(p[i]) << shift);
  }
  out = value;
  return true;
}

bool ByteReader::U8(uint64_t offset, uint8_t& out) const {
  if (!Has(offset, 1)) return false;
  out = data_[offset];
  return true;
}

bool ByteReader::U16LE(uint64_t offset, uint16_t& out) const {
  return ReadInt<uint16_t, false>(offset, out);
}
bool ByteReader::U32LE(uint64_t offset, uint32_t& out) const {
  return ReadInt<uint32_t, false>(offset, out);
}
bool ByteReader::U64LE(uint64_t offset, uint64_t& out) const {
  return ReadInt<uint64_t, false>(offset, out);
}
bool ByteReader::U16BE(uint64_t offset, uint16_t& out) const {
  return ReadInt<uint16_t, true>(offset, out);
}
bool ByteReader::U32BE(uint64_t offset, uint32_t& out) const {
  return ReadInt<uint32_t, true>(offset, out);
}
bool ByteReader::U64BE(uint64_t offset, uint64_t& out) const {
  return ReadInt<uint64_t, true>(offset, out);
}

bool ByteReader::Bytes(uint64_t offset, uint64_t length, std::span<const uint8_t>& out) const {
  if (!Has(offset, length)) return false;
  out = data_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  return true;
}

}  // namespace ortelan
