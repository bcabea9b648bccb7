#include "support/FakeItunes.h"

#include <algorithm>
#include <filesystem>

namespace ortelan::test {

namespace {

using platform::ItunesObjectIds;

class Track : public platform::ItunesTrack {
 public:
  Track(FakeItunes& itunes, size_t place) : itunes_(itunes), place_(place) {}
  int Kind() override { return Get("Kind").Kind; }
  std::string Location() override { return Get("Location").Location; }
  std::string Artist() override { return Get("Artist").Artist; }
  ItunesObjectIds Ids() override {
    itunes_.Call("GetITObjectIDs");
    return FakeItunes::IdsOf(place_);
  }
  void SetRating(int rating) override { Get("SetRating").Rating = rating; }
  void SetPlayedCount(int count) override { Get("SetPlayedCount").PlayedCount = count; }
  size_t Place() const { return place_; }

 private:
  FakeItunesTrack& Get(const std::string& call) {
    itunes_.Call(call);
    return itunes_.Library[place_];
  }
  FakeItunes& itunes_;
  size_t place_;
};

std::unique_ptr<platform::ItunesTrack> ByName(FakeItunes& itunes, const std::vector<size_t>& places,
                                              const std::string& name) {
  for (const size_t place : places) {
    if (itunes.Library[place].Name == name) return std::make_unique<Track>(itunes, place);
  }
  return nullptr;
}

class Import : public platform::ItunesImport {
 public:
  Import(FakeItunes& itunes, size_t place) : itunes_(itunes), place_(place) {}
  bool InProgress() override {
    itunes_.Call("InProgress");
    return ++polls_ < itunes_.PollsPerImport;
  }
  int TrackCount() override { return 1; }
  std::unique_ptr<platform::ItunesTrack> Track(int) override {
    return std::make_unique<test::Track>(itunes_, place_);
  }

 private:
  FakeItunes& itunes_;
  size_t place_;
  int polls_ = 0;
};

class Playlist : public platform::ItunesPlaylist {
 public:
  Playlist(FakeItunes& itunes, size_t place) : itunes_(itunes), place_(place) {}
  int Kind() override { return Get().Kind; }
  std::string Name() override { return Get().Name; }
  int SpecialKind() override { return Get().SpecialKind; }
  bool Smart() override { return Get().Smart; }
  std::unique_ptr<platform::ItunesTrack> TrackByName(const std::string& name) override {
    return ByName(itunes_, Get().Tracks, name);
  }
  void AddTrack(platform::ItunesTrack& track) override {
    itunes_.Call("AddTrack");
    Get().Tracks.push_back(static_cast<test::Track&>(track).Place());
  }

 private:
  FakeItunesPlaylist& Get() { return itunes_.Playlists[place_]; }
  FakeItunes& itunes_;
  size_t place_;
};

class Library : public platform::ItunesLibrary {
 public:
  explicit Library(FakeItunes& itunes) : itunes_(itunes) {}
  std::unique_ptr<platform::ItunesTrack> TrackByName(const std::string& name) override {
    itunes_.Call("ItemByName");
    std::vector<size_t> all(itunes_.Library.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    return ByName(itunes_, all, name);
  }
  std::unique_ptr<platform::ItunesImport> AddFile(const std::string& path) override {
    itunes_.Call("AddFile");
    if (itunes_.Refused.contains(path)) return nullptr;
    itunes_.Library.push_back({std::filesystem::path(path).stem().string(), path, "", 1, 0, 0});
    return std::make_unique<Import>(itunes_, itunes_.Library.size() - 1);
  }

 private:
  FakeItunes& itunes_;
};

class Playlists : public platform::ItunesPlaylists {
 public:
  explicit Playlists(FakeItunes& itunes) : itunes_(itunes) {}
  int Count() override { return static_cast<int>(itunes_.Playlists.size()); }
  std::unique_ptr<platform::ItunesPlaylist> Item(int index) override {
    return std::make_unique<Playlist>(itunes_, static_cast<size_t>(index - 1));
  }

 private:
  FakeItunes& itunes_;
};

class Application : public platform::ItunesApplication {
 public:
  explicit Application(FakeItunes& itunes) : itunes_(itunes) {}
  void MinimiseMainWindow() override { itunes_.Call("Minimise"); }
  std::unique_ptr<platform::ItunesLibrary> LibraryPlaylist() override {
    itunes_.Call("LibraryPlaylist");
    return std::make_unique<Library>(itunes_);
  }
  std::unique_ptr<platform::ItunesPlaylists> LibrarySourcePlaylists() override {
    itunes_.Call("LibrarySourcePlaylists");
    return std::make_unique<Playlists>(itunes_);
  }
  std::unique_ptr<platform::ItunesPlaylist> CreatePlaylist(const std::string& name) override {
    itunes_.Call("CreatePlaylist");
    FakeItunesPlaylist created;
    created.Name = name;
    itunes_.Playlists.push_back(created);
    return std::make_unique<Playlist>(itunes_, itunes_.Playlists.size() - 1);
  }
  std::unique_ptr<platform::ItunesTrack> ObjectByIds(const ItunesObjectIds& ids) override {
    itunes_.Call("GetITObjectByID");
    const auto place = static_cast<size_t>(ids.Track - 100);
    return place < itunes_.Library.size() ? std::make_unique<Track>(itunes_, place) : nullptr;
  }
  std::string Version() override { return "12.1.0.71"; }

 private:
  FakeItunes& itunes_;
};

}  // namespace

void FakeItunes::Call(const std::string& name) {
  Calls.push_back(name);
  if (Failing.contains(name)) throw platform::ItunesError(name + " failed");
}

platform::ItunesConnector FakeItunes::Connector() {
  return [this]() -> std::unique_ptr<platform::ItunesApplication> {
    if (!Reachable) throw platform::ItunesError("Class not registered");
    return std::make_unique<Application>(*this);
  };
}

ItunesObjectIds FakeItunes::IdsOf(size_t place) {
  const auto n = static_cast<int32_t>(place);
  return {1, 2, 100 + n, 1000 + n};
}

std::vector<std::string> FakeItunes::TrackNames(const FakeItunesPlaylist& list) const {
  std::vector<std::string> names;
  for (const size_t place : list.Tracks) names.push_back(Library[place].Name);
  return names;
}

}  // namespace ortelan::test
