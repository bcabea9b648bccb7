#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ortelan {

// UTF-16LE bytes to UTF-8. An odd trailing byte is dropped; unpaired
// surrogates become U+FFFD. Decoding stops at the first NUL code unit.
std::string Utf16LeToUtf8(std::span<const uint8_t> bytes);

// Appends the UTF-8 form of one code point (invalid ones as U+FFFD).
void AppendUtf8(std::string& out, uint32_t codePoint);

// UTF-8 as it came from outside (a database), with every ill-formed sequence
// replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

char AsciiUpper(char c);
std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);
// Equal when the texts differ only in the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);
bool StartsWithAscii(std::string_view text, std::string_view prefix);

// Removes spaces and control characters (code units up to 0x20) at both ends.
std::string Trim(std::string_view text);

// Number of code points of a UTF-8 text (each lead byte counts once).
size_t CodePointCount(std::string_view text);
// The first `count` code points of a UTF-8 text, never splitting a sequence.
std::string_view CodePointPrefix(std::string_view text, size_t count);

}  // namespace ortelan
