#pragma once

// Writes Photo Database chunk trees for tests and the demo device.

#include <cstdint>
#include <string>
#include <vector>

#include "support/ItunesDbBuilder.h"

namespace ortelan::fixtures::photodb {

// A thumbnail reference of one image.
struct ThumbRef {
  uint32_t FormatId = 0;
  uint32_t Offset = 0;
  uint32_t Size = 0;
  uint16_t Width = 0, Height = 0, PadH = 0, PadV = 0;
  std::string StoreName;  // e.g. ":Thumbs:F1019_1.ithmb"
};

// A string object: type 1 UTF-8, type 3 UTF-16LE.
Bytes StringMhod(uint16_t type, const std::string& text);
Bytes Mhni(const ThumbRef& ref, const char* tag = "mhni");
// A container object (type 2 thumbnail, type 5 original) around `body`.
Bytes ContainerMhod(uint16_t type, const Bytes& body);
Bytes Mhii(uint32_t imageId, const std::vector<Bytes>& children, const char* tag = "mhii",
           uint64_t songId = 0);
Bytes Mhli(const std::vector<Bytes>& images, const char* tag = "mhli");
Bytes Mhia(uint32_t imageId, const char* tag = "mhia");
Bytes Mhba(const std::vector<Bytes>& strings, const std::vector<Bytes>& items);
Bytes Mhla(const std::vector<Bytes>& albums, const char* tag = "mhla");
Bytes Section(uint32_t type, const Bytes& list);
Bytes Mhfd(const std::vector<Bytes>& sections, const char* tag = "mhfd");

// An artwork image of a track: one thumbnail object per record.
Bytes ArtworkImage(uint32_t id, uint64_t songId, const std::vector<ThumbRef>& refs);

// An image with a display and an export thumbnail (and optionally an original).
Bytes Image(uint32_t id, const ThumbRef& display, const ThumbRef& exportRef,
            const std::string& original = "");

}  // namespace ortelan::fixtures::photodb
