#pragma once

#include <memory>

#include "music/iPodMusic.h"
#include "support/FakeServices.h"
#include "support/ItunesDbBuilder.h"
#include "support/TempDir.h"

namespace ortelan::test {

// A disk-mode iPod in a temporary folder, connected, with a fresh library
// object over it.
struct MusicFixture {
  TempDir Dir;
  DeviceFixture Fx;
  std::unique_ptr<TIpodMusicDb> Db;

  MusicFixture();
  std::string Root() const { return Dir / "ipod"; }
  void WriteItunesDb(const fixtures::Bytes& bytes, const char* name = "iTunesDB");
  // A new library object, loaded as the window loads it.
  bool Load();
};

}  // namespace ortelan::test
