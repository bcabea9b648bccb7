// Property lists from a device are checked before the property-list library
// sees them: real lists pass, bombs and damaged tables do not.

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <string>
#include <vector>

#include "device/PlistBounds.h"

namespace ortelan {
namespace {

using Bytes = std::vector<uint8_t>;

void PutBigEndian(Bytes& out, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// An array object of references `refs`, each `refWidth` bytes wide.
Bytes ArrayObject(const std::vector<uint64_t>& refs, int refWidth) {
  Bytes out;
  if (refs.size() < 15) {
    out.push_back(static_cast<uint8_t>(0xA0 | refs.size()));
  } else {
    out = {0xAF, 0x13};  // the count follows as an 8-byte integer
    PutBigEndian(out, refs.size(), 8);
  }
  for (const uint64_t ref : refs) PutBigEndian(out, ref, refWidth);
  return out;
}

// A binary list of `objects`, object 0 at the top.
Bytes BinaryList(const std::vector<Bytes>& objects, int refWidth) {
  Bytes out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<uint64_t> offsets;
  for (const Bytes& object : objects) {
    offsets.push_back(out.size());
    out.insert(out.end(), object.begin(), object.end());
  }
  const uint64_t tableAt = out.size();
  for (const uint64_t offset : offsets) PutBigEndian(out, offset, 4);
  out.insert(out.end(), 6, 0);
  out.push_back(4);
  out.push_back(static_cast<uint8_t>(refWidth));
  PutBigEndian(out, objects.size(), 8);
  PutBigEndian(out, 0, 8);
  PutBigEndian(out, tableAt, 8);
  return out;
}

const Bytes kInteger = {0x10, 0x07};

// Each of `levels` arrays holds the next one `fanOut` times.
Bytes Nested(size_t levels, size_t fanOut) {
  std::vector<Bytes> objects;
  for (size_t i = 0; i < levels; ++i) {
    objects.push_back(ArrayObject(std::vector<uint64_t>(fanOut, i + 1), 4));
  }
  objects.push_back(kInteger);
  return BinaryList(objects, 4);
}

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(PlistBounds, RealListsPass) {
  plist_t books = plist_new_dict();
  plist_t list = plist_new_array();
  for (int i = 0; i < 100; ++i) {
    plist_t book = plist_new_dict();
    plist_dict_set_item(book, "Name", plist_new_string(("Book " + std::to_string(i)).c_str()));
    plist_dict_set_item(book, "Path", plist_new_string("b.epub"));
    plist_array_append_item(list, book);
  }
  plist_dict_set_item(books, "Books", list);
  char* binary = nullptr;
  char* xml = nullptr;
  uint32_t binaryLength = 0, xmlLength = 0;
  plist_to_bin(books, &binary, &binaryLength);
  plist_to_xml(books, &xml, &xmlLength);
  const Bytes binaryBytes(binary, binary + binaryLength), xmlBytes(xml, xml + xmlLength);
  plist_to_bin_free(binary);
  plist_to_xml_free(xml);
  plist_free(books);
  std::string why;
  EXPECT_TRUE(PlistWithinBounds(binaryBytes, why)) << why;
  EXPECT_TRUE(PlistWithinBounds(xmlBytes, why)) << why;
  EXPECT_TRUE(PlistWithinBounds(Nested(kMaxPlistDepth - 1, 1), why)) << why;
}

TEST(PlistBounds, BombsAndDamagedTablesAreRefusedWithTheirReason) {
  Bytes cyclic = BinaryList({ArrayObject({0}, 1)}, 1);  // an array that holds itself
  Bytes outside = BinaryList({ArrayObject({5}, 1)}, 1);
  Bytes badTable = Nested(3, 1);
  badTable[badTable.size() - 9] = 0xF0;  // the table starts past the end
  Bytes hugeCount = BinaryList({{0xAF, 0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, 1);
  std::string deepXml = "<?xml version=\"1.0\"?><!-- <a> --><plist><dict>";
  for (int i = 0; i < 100; ++i) deepXml += "<array>";
  const struct {
    const char* what;
    Bytes list;
    std::string why;
  } cases[] = {
      {"40 levels of shared references", Nested(40, 2), "it expands to more than 2000000 objects"},
      {"200,000 nested arrays", Nested(200000, 1), "it nests deeper than 64 levels"},
      {"a cycle", cyclic, "it nests deeper than 64 levels"},
      {"a reference outside", outside, "a reference points outside the list"},
      {"a damaged table", badTable, "its object table is damaged"},
      {"a count of 2^64", hugeCount, "a container claims too many objects"},
      {"a trailer alone", AsBytes("bplist00"), "the list is cut short"},
      {"deep XML", AsBytes(deepXml), "it nests deeper than 64 levels"},
      {"17 MB", Bytes(17 << 20, ' '), "it is larger than 16 MB"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(PlistWithinBounds(c.list, why)) << c.what;
    EXPECT_EQ(why, c.why) << c.what;
  }
}

}  // namespace
}  // namespace ortelan
