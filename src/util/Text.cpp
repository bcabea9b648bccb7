#include "util/Text.h"

#include <algorithm>

namespace ortelan {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf16LeToUtf8(std::span<const uint8_t> bytes) {
  const size_t units = bytes.size() / 2;
  auto unitAt = [&](size_t i) -> uint32_t { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
  // Most tags are ASCII: the leading ASCII run goes through a stack buffer,
  // so a short pure-ASCII text costs one allocation at most.
  char ascii[256];
  const size_t limit = std::min(units, sizeof ascii);
  size_t i = 0;
  for (; i < limit; ++i) {
    const uint32_t u = unitAt(i);
    if (u == 0 || u >= 0x80) break;
    ascii[i] = static_cast<char>(u);
  }
  std::string out(ascii, i);
  if (i < units && unitAt(i) == 0) return out;
  for (; i < units; ++i) {
    const uint32_t u = unitAt(i);
    if (u == 0) break;
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (IsHighSurrogate(u) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
      const uint32_t low = unitAt(++i);
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string AsciiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      AppendUtf8(out, 0xFFFD);
      text.remove_prefix(1);
    } else {
      out.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return out;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

std::string Trim(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

size_t CodePointCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    if (!IsContinuation(static_cast<unsigned char>(c))) ++count;
  }
  return count;
}

std::string_view CodePointPrefix(std::string_view text, size_t count) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) {
      if (seen == count) return text.substr(0, i);
      ++seen;
    }
  }
  return text;
}

std::string_view BytePrefix(std::string_view text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && IsContinuation(static_cast<unsigned char>(text[end]))) --end;
  return text.substr(0, end);
}

std::string FitFileName(std::string_view path, std::string_view tail, size_t maxBytes) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::string_view name = path.substr(nameStart);
  const size_t room = maxBytes > tail.size() ? maxBytes - tail.size() : 0;
  std::string fitted(path.substr(0, nameStart));
  fitted += BytePrefix(name, room);
  fitted += tail;
  return fitted;
}

std::string FitKeepingExtension(std::string_view name, size_t maxBytes) {
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot > 0 && name.size() - dot <= 16;
  if (!hasExtension) return FitFileName(name, "", maxBytes);
  return FitFileName(name.substr(0, dot), name.substr(dot), maxBytes);
}

std::string CleanDeviceFileName(std::string_view name) {
  std::string clean(name);
  for (char& c : clean) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  }
  return FitKeepingExtension(clean);
}

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n') || c == 0x7F) {
      out += '?';
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out += '?';  // a C1 control, U+0080 to U+009F
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace ortelan
