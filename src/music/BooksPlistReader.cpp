// The books of an iOS device's Books.plist (XML property list).

#include <pugixml.hpp>

#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "util/Text.h"

namespace ortelan {

namespace {

std::vector<pugi::xml_node> Children(pugi::xml_node node) {
  std::vector<pugi::xml_node> children;
  for (pugi::xml_node child : node.children()) children.push_back(child);
  return children;
}

std::string TextOf(pugi::xml_node node) { return node.child_value(); }

void AddBook(TTrackList& tracks, const std::vector<pugi::xml_node>& entries) {
  TTrackItem& book = tracks.Add();
  book.CopyState = csUntouched;
  book.ItunesSourceId = -1;
  book.MediaKind = mkBook;
  int found = 0;
  for (size_t k = 0; k + 1 < entries.size() && found < 3; ++k) {
    const std::string key = TextOf(entries[k]);
    const std::string value = TextOf(entries[k + 1]);
    if (SameTextAscii(key, "Name")) {
      book.Title = value;
    } else if (SameTextAscii(key, "Path")) {
      book.Location = "Books/" + value;
    } else if (SameTextAscii(key, "Artist")) {
      book.Artist = value;
    } else {
      continue;
    }
    ++found;
  }
}

}  // namespace

void TIpodMusicDb::ReadBooksPlist() {
  std::string file;
  Device->FetchBooksPlist(false, file);
  if (file.empty()) return;
  const TWorkCopy books(*Device, file);
  ReadBooksPlistFile(books.Path());
}

int TIpodMusicDb::ReadBooksPlistFile(const std::string& fileName) {
  pugi::xml_document document;
  if (!document.load_file(fileName.c_str())) return 0;  // a broken list adds nothing
  const pugi::xml_node top = document.document_element().first_child();
  const std::vector<pugi::xml_node> entries = Children(top);
  if (entries.size() < 2) return 0;
  pugi::xml_node books = top;
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    if (SameTextAscii(TextOf(entries[i]), "Books")) {
      books = entries[i + 1];
      break;
    }
  }
  int added = 0;
  for (pugi::xml_node candidate : books.children()) {
    const std::vector<pugi::xml_node> fields = Children(candidate);
    if (fields.size() <= 2) continue;
    AddBook(Tracks, fields);
    ++added;
  }
  return added;
}

}  // namespace ortelan
