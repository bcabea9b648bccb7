#include "support/MusicFixture.h"

namespace ortelan::test {

MusicFixture::MusicFixture() { Fx.ConnectIpodAt(Root()); }

void MusicFixture::WriteItunesDb(const fixtures::Bytes& bytes, const char* name) {
  WriteFile(Root() + "/iPod_Control/iTunes/" + name, bytes);
}

bool MusicFixture::Load() {
  Db = std::make_unique<TIpodMusicDb>(Fx.Device.get());
  return Db->LoadMusicLibrary(true);
}

}  // namespace ortelan::test
