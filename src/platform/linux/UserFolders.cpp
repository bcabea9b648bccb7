// The user's folders and the private work folder.

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

constexpr const char* kWorkPrefix = "ortelan-";

// The process that made a work folder "ortelan-<pid>-XXXXXX"; 0 when the name
// is not of that form.
pid_t OwnerOf(const std::string& name) {
  if (!name.starts_with(kWorkPrefix)) return 0;
  const size_t start = std::char_traits<char>::length(kWorkPrefix);
  const size_t dash = name.find('-', start);
  if (dash == std::string::npos || dash == start || dash - start > 9) return 0;
  pid_t pid = 0;
  for (size_t i = start; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

}  // namespace

// Their copies of device databases would otherwise stay for ever.
void RemoveStaleWorkFolders(const std::string& tmp) {
  std::error_code ec;
  for (fs::directory_iterator it(tmp, ec), end; !ec && it != end; it.increment(ec)) {
    const pid_t owner = OwnerOf(it->path().filename().string());
    struct stat info {};
    if (owner <= 0 || owner == getpid() || lstat(it->path().c_str(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
      continue;
    }
    if (kill(owner, 0) != 0 && errno == ESRCH) {
      std::error_code removeError;
      fs::remove_all(it->path(), removeError);
    }
  }
}

namespace {

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
      const char* variable = getenv("TMPDIR");
      const std::string tmp = variable && *variable ? variable : "/tmp";
      RemoveStaleWorkFolders(tmp);
      std::string pattern = tmp + "/" + kWorkPrefix + std::to_string(getpid()) + "-XXXXXX";
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
