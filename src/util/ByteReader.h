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

  bool U8(uint64_t offset, uint8_t& out) const;
  bool U16LE(uint64_t offset, uint16_t& out) const;
  bool U32LE(uint64_t offset, uint32_t& out) const;
  bool U64LE(uint64_t offset, uint64_t& out) const;
  bool U16BE(uint64_t offset, uint16_t& out) const;
  bool U32BE(uint64_t offset, uint32_t& out) const;
  bool U64BE(uint64_t offset, uint64_t& out) const;

  // The span [offset, offset + length), or false when it leaves the data.
  bool Bytes(uint64_t offset, uint64_t length, std::span<const uint8_t>& out) const;

 private:
  template <typename T, bool BigEndian>
  bool ReadInt(uint64_t offset, T& out) const;

  std::span<const uint8_t> data_;
};

}  // namespace ortelan
