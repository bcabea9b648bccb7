#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ortelan::test {

// A fresh folder under the temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path() + "/" + relative.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Writes a file, making its folders; returns its path.
std::string WriteFile(const std::string& path, const std::string& content);
std::string WriteFile(const std::string& path, const std::vector<uint8_t>& content);
std::string ReadFileText(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
// Every regular file below `root`, relative and sorted.
std::vector<std::string> ListTree(const std::string& root);

}  // namespace ortelan::test
