#include "support/PhotoDbBuilder.h"

#include <cstring>

namespace ortelan::fixtures::photodb {

namespace {

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

Bytes Header(const char* tag, uint32_t headerLen) {
  Bytes b(headerLen, 0);
  std::memcpy(b.data(), tag, 4);
  Put32(b, 4, headerLen);
  return b;
}

// Header, then children; the total length at offset 8.
Bytes WithChildren(Bytes header, const std::vector<Bytes>& children) {
  Bytes out = Concat({header, Concat(children)});
  Put32(out, 8, static_cast<uint32_t>(out.size()));
  return out;
}

}  // namespace

Bytes StringMhod(uint16_t type, const std::string& text) {
  const Bytes encoded = type == 3 ? Utf16Le(text) : Bytes(text.begin(), text.end());
  Bytes body(12, 0);
  Put32(body, 0, static_cast<uint32_t>(encoded.size()));
  Put32(body, 4, type == 3 ? 2 : 1);
  Bytes header = Header("mhod", 24);
  Put16(header, 12, type);
  return WithChildren(header, {body, encoded});
}

Bytes Mhni(const ThumbRef& ref, const char* tag) {
  Bytes b = Header(tag, 76);
  Put32(b, 12, 1);
  Put32(b, 16, ref.FormatId);
  Put32(b, 20, ref.Offset);
  Put32(b, 24, ref.Size);
  Put16(b, 28, ref.PadV);
  Put16(b, 30, ref.PadH);
  Put16(b, 32, ref.Height);
  Put16(b, 34, ref.Width);
  return WithChildren(b, {StringMhod(3, ref.StoreName)});
}

Bytes ContainerMhod(uint16_t type, const Bytes& body) {
  Bytes header = Header("mhod", 24);
  Put16(header, 12, type);
  return WithChildren(header, {body});
}

Bytes Mhii(uint32_t imageId, const std::vector<Bytes>& children, const char* tag, uint64_t songId) {
  Bytes b = Header(tag, 152);
  Put32(b, 12, static_cast<uint32_t>(children.size()));
  Put32(b, 16, imageId);
  Put32(b, 20, static_cast<uint32_t>(songId));
  Put32(b, 24, static_cast<uint32_t>(songId >> 32));
  return WithChildren(b, children);
}

Bytes Mhli(const std::vector<Bytes>& images, const char* tag) {
  Bytes b = Header(tag, 92);
  Put32(b, 8, static_cast<uint32_t>(images.size()));
  return Concat({b, Concat(images)});
}

Bytes Mhia(uint32_t imageId, const char* tag) {
  Bytes b = Header(tag, 40);
  Put32(b, 8, 40);
  Put32(b, 16, imageId);
  return b;
}

Bytes Mhba(const std::vector<Bytes>& strings, const std::vector<Bytes>& items) {
  Bytes b = Header("mhba", 148);
  Put32(b, 12, static_cast<uint32_t>(strings.size()));
  Put32(b, 16, static_cast<uint32_t>(items.size()));
  return WithChildren(b, {Concat(strings), Concat(items)});
}

Bytes Mhla(const std::vector<Bytes>& albums, const char* tag) {
  Bytes b = Header(tag, 92);
  Put32(b, 8, static_cast<uint32_t>(albums.size()));
  return Concat({b, Concat(albums)});
}

Bytes Section(uint32_t type, const Bytes& list) {
  Bytes b = Header("mhsd", 96);
  Put32(b, 12, type);
  return WithChildren(b, {list});
}

Bytes Mhfd(const std::vector<Bytes>& sections, const char* tag) {
  Bytes b = Header(tag, 132);
  Put32(b, 20, static_cast<uint32_t>(sections.size()));
  return WithChildren(b, sections);
}

Bytes Image(uint32_t id, const ThumbRef& display, const ThumbRef& exportRef,
            const std::string& original) {
  std::vector<Bytes> children = {StringMhod(1, "")};  // a plain object of type 1
  children.push_back(ContainerMhod(2, Mhni(display)));
  children.push_back(ContainerMhod(2, Mhni(exportRef)));
  if (!original.empty())
    children.push_back(ContainerMhod(5, Mhni({0, 0, 0, 0, 0, 0, 0, original})));
  return Mhii(id, children);
}

Bytes ArtworkImage(uint32_t id, uint64_t songId, const std::vector<ThumbRef>& refs) {
  std::vector<Bytes> children;
  for (const ThumbRef& ref : refs) children.push_back(ContainerMhod(2, Mhni(ref)));
  return Mhii(id, children, "mhii", songId);
}

}  // namespace ortelan::fixtures::photodb
