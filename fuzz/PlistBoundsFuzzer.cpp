// Feeds arbitrary bytes to the property-list check, and what it lets
// through to the property-list library, as a books list from a device is.

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "device/PlistBounds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  if (!ortelan::PlistWithinBounds(std::span<const uint8_t>(data, size), why)) {
    if (why.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  plist_t plist = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size), &plist);
  if (plist) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(plist, &xml, &length);
    plist_to_xml_free(xml);
    plist_free(plist);
  }
  return 0;
}
