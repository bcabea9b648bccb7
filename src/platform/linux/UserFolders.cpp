// The user's folders and the private work folder.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/Platform.h"

namespace ortelan::platform {

namespace fs = std::filesystem;

namespace {

std::string Home() {
  const char* home = getenv("HOME");
  return home ? home : "";
}

std::string ConfigHome() {
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config && *config) return config;
  return Home().empty() ? "" : Home() + "/.config";
}

// The value of `key` in user-dirs.dirs (XDG_MUSIC_DIR="$HOME/Music"), with
// $HOME expanded; empty when the file or the key is missing.
std::string XdgUserDir(const std::string& key) {
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  std::string line;
  const std::string prefix = key + "=\"";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = Home() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return "";
}

std::string UserFolder(const std::string& key, const char* fallbackName) {
  std::string folder = XdgUserDir(key);
  if (folder.empty()) {
    if (Home().empty()) return "";
    folder = Home() + "/" + fallbackName;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

class TempFolder {
 public:
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& Get() {
    std::lock_guard lock(mutex_);
    if (path_.empty()) {
      const char* tmp = getenv("TMPDIR");
      std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ortelan-XXXXXX";
      if (mkdtemp(pattern.data())) path_ = pattern;
    }
    return path_;
  }

 private:
  std::mutex mutex_;
  std::string path_;
};

}  // namespace

std::string UserMusicFolder() { return UserFolder("XDG_MUSIC_DIR", "Music"); }
std::string UserPicturesFolder() { return UserFolder("XDG_PICTURES_DIR", "Pictures"); }

std::string PrivateTempFolder() {
  static TempFolder folder;
  return folder.Get();
}

}  // namespace ortelan::platform
