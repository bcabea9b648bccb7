#include "util/Text.h"

#include <gtest/gtest.h>

#include <vector>

namespace ortelan {
namespace {

std::vector<uint8_t> Units(std::initializer_list<uint16_t> units) {
  std::vector<uint8_t> bytes;
  for (uint16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

TEST(Utf16LeToUtf8, DecodesTheWholeRange) {
  struct Case {
    std::vector<uint8_t> in;
    std::string out;
  } cases[] = {
      {Units({'A', 'b'}), "Ab"},
      {Units({0x00E9}), "\xC3\xA9"},                          // é
      {Units({0x97F3, 0x697D}), "\xE9\x9F\xB3\xE6\xA5\xBD"},  // 音楽
      {Units({0xD83C, 0xDFB5}), "\xF0\x9F\x8E\xB5"},          // 🎵 as a pair
      {Units({0xD83C, 'x'}), "\xEF\xBF\xBDx"},                 // lone high surrogate
      {Units({0xDFB5}), "\xEF\xBF\xBD"},                       // lone low surrogate
      {Units({'a', 0xD83C}), "a\xEF\xBF\xBD"},                 // high surrogate at the end
      {Units({'a', 0, 'b'}), "a"},                             // stops at NUL
      {{'a', 0, 'b'}, "a"},                                    // odd byte dropped
      {{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16LeToUtf8(c.in), c.out);
}

TEST(Text, AsciiCaseFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(SameTextAscii("mhBD", "MHbd"));
  EXPECT_FALSE(SameTextAscii("mhbd", "mhbx"));
  EXPECT_FALSE(SameTextAscii("abc", "abcd"));
  EXPECT_FALSE(SameTextAscii("\xC3\xA9", "\xC3\x89"));  // é and É differ
  EXPECT_EQ(AsciiUpperCase("f:\xC3\xA9z"), "F:\xC3\xA9Z");
  EXPECT_TRUE(StartsWithAscii("img_0001.jpg", "IMG"));
  EXPECT_FALSE(StartsWithAscii("IM", "IMG"));
}

TEST(Text, TrimRemovesBlanksAndControlsAtBothEnds) {
  EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
  EXPECT_EQ(Trim(std::string("\0x\x1f", 3)), "x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xC3\xA9 "), "\xC3\xA9");
}

TEST(Text, CodePointPrefixNeverSplitsASequence) {
  const std::string text = "a\xC3\xA9\xE6\xA5\xBD\xF0\x9F\x8E\xB5z";  // a é 楽 🎵 z
  EXPECT_EQ(CodePointCount(text), 5u);
  EXPECT_EQ(CodePointPrefix(text, 0), "");
  EXPECT_EQ(CodePointPrefix(text, 2), "a\xC3\xA9");
  EXPECT_EQ(CodePointPrefix(text, 4), "a\xC3\xA9\xE6\xA5\xBD\xF0\x9F\x8E\xB5");
  EXPECT_EQ(CodePointPrefix(text, 9), text);
}

}  // namespace
}  // namespace ortelan
