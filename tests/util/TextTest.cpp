#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "util/Sizes.h"
#include "util/Text.h"

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
      {Units({0xD83C, 'x'}), "\xEF\xBF\xBDx"},                // lone high surrogate
      {Units({0xDFB5}), "\xEF\xBF\xBD"},                      // lone low surrogate
      {Units({'a', 0xD83C}), "a\xEF\xBF\xBD"},                // high surrogate at the end
      {Units({'a', 0, 'b'}), "a"},                            // stops at NUL
      {{'a', 0, 'b'}, "a"},                                   // odd byte dropped
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

TEST(Text, FitFileNameCutsTheLastPartAtACharacterAndKeepsTheTail) {
  const std::string emoji = "\xF0\x9F\x8E\xB5";
  std::string longName;
  for (int i = 0; i < 70; ++i) longName += emoji;  // 280 bytes
  const std::string fitted = FitFileName("/music/" + longName, "12.mp3");
  EXPECT_EQ(fitted.substr(0, 7), "/music/");
  EXPECT_TRUE(fitted.ends_with(emoji + "12.mp3"));  // whole characters only
  EXPECT_EQ(fitted.size() - 7, 62 * 4 + 6u);        // 254 bytes: the 63rd would not fit
  EXPECT_EQ(FitFileName("/a/short", ".mp3"), "/a/short.mp3");
  EXPECT_EQ(FitFileName("name", ".ext", 6), "na.ext");
}

TEST(Text, DeviceFileNamesLoseControlsAndFitKeepingTheirExtension) {
  EXPECT_EQ(CleanDeviceFileName("IMG\x1b[31m\a\r\n\x7F.JPG"), "IMG_[31m____.JPG");
  const std::string emoji = "\xF0\x9F\x8E\xB5";
  std::string longName;
  for (int i = 0; i < 75; ++i) longName += emoji;  // 300 bytes
  const std::string fitted = CleanDeviceFileName(longName + ".HEIC");
  EXPECT_TRUE(fitted.ends_with(emoji + ".HEIC"));
  EXPECT_EQ(fitted.size(), 62 * 4 + 5u);  // within 255 bytes, whole characters
  EXPECT_EQ(CleanDeviceFileName("plain.jpg"), "plain.jpg");
}

TEST(Text, TerminalTextLetsNoControlCharacterThrough) {
  EXPECT_EQ(TerminalText("Title\x1b]0;owned\x07 end"), "Title?]0;owned? end");
  EXPECT_EQ(TerminalText("clear\x1b[2J\r\x7f"), "clear?[2J??");
  EXPECT_EQ(TerminalText("c1 \xC2\x9B"
                         "31m, \xC2\xA0 stays"),
            "c1 ?31m, \xC2\xA0 stays");
  EXPECT_EQ(TerminalText("two\nlines \xE5\xA4\x9C"), "two\nlines \xE5\xA4\x9C");
}

TEST(Sizes, DatabaseSizesAreCheckedAndSumsSaturate) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  EXPECT_EQ(ValidMediaSize(-1), 0);
  EXPECT_EQ(ValidMediaSize(kMax), 0);
  EXPECT_EQ(ValidMediaSize(4000), 4000);
  EXPECT_EQ(SaturatingAdd(kMax, 1), kMax);
  EXPECT_EQ(SaturatingAdd(-kMax, -5), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(SaturatingSub(-kMax, 5), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(SaturatingSub(10, 4), 6);
}

}  // namespace
}  // namespace ortelan
