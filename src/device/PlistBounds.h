#pragma once

// Checks a property list from a device before the property-list library
// reads it. That library follows a binary list's object references
// recursively and copies every shared object where it is used: 200,000
// nested arrays overflow its stack, and 40 levels of shared references
// expand to gigabytes. A list passes only when its nesting and its expanded
// size stay within bounds that real lists (kilobytes to a few megabytes)
// never reach.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ortelan {

// The largest books list read: a library of ten thousand books stays under
// 8 MiB.
constexpr int64_t kMaxPlistBytes = int64_t{16} << 20;
// How deep containers may nest.
constexpr int kMaxPlistDepth = 64;
// How many objects the list may expand to, counting a shared object once
// for each place that refers to it.
constexpr size_t kMaxPlistExpandedObjects = 2'000'000;

// True when the list (binary "bplist00" or XML) stays within the bounds;
// otherwise false with `why`.
bool PlistWithinBounds(std::span<const uint8_t> bytes, std::string& why);

// The parts, for the tests and the fuzzer.
bool BinaryPlistWithinBounds(std::span<const uint8_t> bytes, std::string& why);
bool XmlPlistWithinBounds(std::string_view text, std::string& why);

}  // namespace ortelan
