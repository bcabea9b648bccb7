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
// The longest start of a UTF-8 text that takes at most `bytes` bytes, never
// splitting a sequence.
std::string_view BytePrefix(std::string_view text, size_t bytes);

// What file systems allow for one name: 255 bytes.
constexpr size_t kMaxNameBytes = 255;
// `path` + `tail` (a numbering and an extension, say), with the last part of
// `path` cut so that it and `tail` fit into `maxBytes` bytes together.
std::string FitFileName(std::string_view path, std::string_view tail,
                        size_t maxBytes = kMaxNameBytes);
// The names tried one after another for a new file: `base` + `ext`, then
// `base` + "1" + `ext`, "2" ..., each cut to fit as above.
inline std::string NumberedFileName(std::string_view base, int number, std::string_view ext) {
  return FitFileName(base, (number > 0 ? std::to_string(number) : std::string()).append(ext));
}

// A file name cut to `maxBytes` at a code-point boundary, its extension (up
// to 16 bytes after the last dot) kept.
std::string FitKeepingExtension(std::string_view name, size_t maxBytes = kMaxNameBytes);
// A device's own file name made fit to be a name on the PC: control
// characters (C0 and DEL) become "_", and a name over 255 bytes is cut as
// FitKeepingExtension cuts it.
std::string CleanDeviceFileName(std::string_view name);

// Text made safe for a terminal: control characters (C0 but the line feed,
// DEL and C1) become "?", so no escape sequence from a tag reaches it.
std::string TerminalText(std::string_view text);

}  // namespace ortelan
