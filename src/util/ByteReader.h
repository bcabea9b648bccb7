#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ortelan {

// Reads little- and big-endian integers at absolute offsets of a byte span.
// Every read checks the bounds first: a read that would pass the end returns
// false and leaves the output untouched.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  size_t Size() const { return data_.size(); }
  std::span<const uint8_t> Data() const { return data_; }

  // True when [offset, offset + length) lies inside the data (no overflow).
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }

  bool U8(uint64_t offset, uint8_t& out) const {
    if (!Has(offset, 1)) return false;
    out = data_[offset];
    return true;
  }
  bool U16LE(uint64_t offset, uint16_t& out) const { return ReadInt<uint16_t, false>(offset, out); }
  bool U32LE(uint64_t offset, uint32_t& out) const { return ReadInt<uint32_t, false>(offset, out); }
  bool U64LE(uint64_t offset, uint64_t& out) const { return ReadInt<uint64_t, false>(offset, out); }
  bool U16BE(uint64_t offset, uint16_t& out) const { return ReadInt<uint16_t, true>(offset, out); }
  bool U32BE(uint64_t offset, uint32_t& out) const { return ReadInt<uint32_t, true>(offset, out); }
  bool U64BE(uint64_t offset, uint64_t& out) const { return ReadInt<uint64_t, true>(offset, out); }

  // The span [offset, offset + length), or false when it leaves the data.
  bool Bytes(uint64_t offset, uint64_t length, std::span<const uint8_t>& out) const {
    if (!Has(offset, length)) return false;
    out = data_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
    return true;
  }

 private:
  // Reads in the parsers' inner loops: kept inline, assembled byte by byte
  // (compilers turn this into a single load on little-endian machines).
  template <typename T, bool BigEndian>
  bool ReadInt(uint64_t offset, T& out) const {
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

  std::span<const uint8_t> data_;
};

}  // namespace ortelan
