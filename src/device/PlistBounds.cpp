// The binary list: "bplist00", the objects, a table of their offsets, and a
// 32-byte trailer (offset and reference widths, object count, top object,
// where the table starts; big-endian). Containers (arrays 0xA, sets 0xC,
// dictionaries 0xD) hold references, which are walked here without
// recursion, each as often as it is referred to.

#include "device/PlistBounds.h"

#include <utility>
#include <vector>

namespace ortelan {

namespace {

constexpr std::string_view kBinaryMagic = "bplist0";
constexpr size_t kTrailerBytes = 32;

class BinaryList {
 public:
  explicit BinaryList(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool ReadTrailer(std::string& why);
  bool Walk(std::string& why);

 private:
  uint64_t BigEndian(uint64_t at, int width) const {
    uint64_t value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | bytes_[at + i];
    return value;
  }
  // Where object `index` starts; 0 when the table points outside the objects.
  uint64_t ObjectAt(uint64_t index) const {
    const uint64_t at = BigEndian(tableAt_ + index * offsetWidth_, offsetWidth_);
    return at >= kBinaryMagic.size() + 1 && at < tableAt_ ? at : 0;
  }
  // The element count of the container at `at` and where its references
  // start; false when they do not lie inside the objects.
  bool Container(uint64_t at, uint64_t& count, uint64_t& refsAt) const;

  std::span<const uint8_t> bytes_;
  int offsetWidth_ = 0;
  int refWidth_ = 0;
  uint64_t objects_ = 0;
  uint64_t top_ = 0;
  uint64_t tableAt_ = 0;
};

bool BinaryList::ReadTrailer(std::string& why) {
  if (bytes_.size() < kBinaryMagic.size() + 1 + kTrailerBytes) {
    why = "the list is cut short";
    return false;
  }
  const uint64_t trailer = bytes_.size() - kTrailerBytes;
  offsetWidth_ = bytes_[trailer + 6];
  refWidth_ = bytes_[trailer + 7];
  objects_ = BigEndian(trailer + 8, 8);
  top_ = BigEndian(trailer + 16, 8);
  tableAt_ = BigEndian(trailer + 24, 8);
  const bool widths = offsetWidth_ >= 1 && offsetWidth_ <= 8 && refWidth_ >= 1 && refWidth_ <= 8;
  if (!widths || objects_ == 0 || top_ >= objects_ || tableAt_ < kBinaryMagic.size() + 1 ||
      tableAt_ > trailer || objects_ > (trailer - tableAt_) / offsetWidth_) {
    why = "its object table is damaged";
    return false;
  }
  return true;
}

bool BinaryList::Container(uint64_t at, uint64_t& count, uint64_t& refsAt) const {
  const uint8_t marker = bytes_[at];
  count = marker & 0x0F;
  refsAt = at + 1;
  if (count == 0x0F) {  // the count follows as an integer object
    if (refsAt >= tableAt_ || (bytes_[refsAt] >> 4) != 0x1) return false;
    const int width = 1 << (bytes_[refsAt] & 0x0F);
    if (width > 8 || refsAt + 1 + width > tableAt_) return false;
    count = BigEndian(refsAt + 1, width);
    refsAt += 1 + width;
  }
  if ((marker >> 4) == 0xD) {
    if (count > UINT64_MAX / 2) return false;
    count *= 2;  // keys, then values
  }
  return count <= (tableAt_ - refsAt) / refWidth_;
}

bool BinaryList::Walk(std::string& why) {
  std::vector<std::pair<uint64_t, int>> pending{{top_, 1}};
  size_t visited = 0;
  while (!pending.empty()) {
    const auto [index, depth] = pending.back();
    pending.pop_back();
    if (++visited + pending.size() > kMaxPlistExpandedObjects) {
      why = "it expands to more than " + std::to_string(kMaxPlistExpandedObjects) + " objects";
      return false;
    }
    const uint64_t at = ObjectAt(index);
    if (at == 0) {
      why = "its object table is damaged";
      return false;
    }
    const int type = bytes_[at] >> 4;
    if (type != 0xA && type != 0xC && type != 0xD) continue;
    if (depth > kMaxPlistDepth) {
      why = "it nests deeper than " + std::to_string(kMaxPlistDepth) + " levels";
      return false;
    }
    uint64_t count = 0, refsAt = 0;
    if (!Container(at, count, refsAt)) {
      why = count > kMaxPlistExpandedObjects ? "a container claims too many objects"
                                             : "a container lies outside the list";
      return false;
    }
    if (visited + pending.size() + count > kMaxPlistExpandedObjects) {
      why = "it expands to more than " + std::to_string(kMaxPlistExpandedObjects) + " objects";
      return false;
    }
    for (uint64_t k = 0; k < count; ++k) {
      const uint64_t ref = BigEndian(refsAt + k * refWidth_, refWidth_);
      if (ref >= objects_) {
        why = "a reference points outside the list";
        return false;
      }
      pending.emplace_back(ref, depth + 1);
    }
  }
  return true;
}

// Skips a comment, CDATA section, declaration or processing instruction that
// starts at `at` ("<!" or "<?"); the position after it, or npos.
size_t SkipMarkup(std::string_view text, size_t at) {
  if (text.substr(at, 4) == "<!--") {
    const size_t end = text.find("-->", at + 4);
    return end == std::string_view::npos ? end : end + 3;
  }
  if (text.substr(at, 9) == "<![CDATA[") {
    const size_t end = text.find("]]>", at + 9);
    return end == std::string_view::npos ? end : end + 3;
  }
  const size_t end = text.find('>', at);
  return end == std::string_view::npos ? end : end + 1;
}

}  // namespace

bool BinaryPlistWithinBounds(std::span<const uint8_t> bytes, std::string& why) {
  BinaryList list(bytes);
  return list.ReadTrailer(why) && list.Walk(why);
}

bool XmlPlistWithinBounds(std::string_view text, std::string& why) {
  // <plist> and the top container hold the list; the depth counts below them.
  constexpr int kWrapperElements = 1;
  int depth = 0;
  for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (next == '!' || next == '?') {
      at = SkipMarkup(text, at);
      continue;
    }
    const size_t end = text.find('>', at);
    if (end == std::string_view::npos) break;  // the XML reader finds it broken
    if (next == '/') {
      --depth;
    } else if (text[end - 1] != '/' && ++depth > kMaxPlistDepth + kWrapperElements) {
      why = "it nests deeper than " + std::to_string(kMaxPlistDepth) + " levels";
      return false;
    }
    at = end + 1;
  }
  return true;
}

bool PlistWithinBounds(std::span<const uint8_t> bytes, std::string& why) {
  if (static_cast<int64_t>(bytes.size()) > kMaxPlistBytes) {
    why = "it is larger than " + std::to_string(kMaxPlistBytes >> 20) + " MB";
    return false;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with(kBinaryMagic)) return BinaryPlistWithinBounds(bytes, why);
  return XmlPlistWithinBounds(text, why);
}

}  // namespace ortelan
