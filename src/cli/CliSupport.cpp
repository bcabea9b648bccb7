#include "cli/CliSupport.h"

#include <algorithm>
#include <cstdio>

namespace ortelan::cli {

bool Arguments::Flag(std::string_view name) {
  const auto it = std::find(args_.begin(), args_.end(), name);
  if (it == args_.end()) return false;
  args_.erase(it);
  return true;
}

std::vector<std::string> Arguments::Values(std::string_view name) {
  std::vector<std::string> values;
  for (auto it = std::find(args_.begin(), args_.end(), name); it != args_.end();
       it = std::find(args_.begin(), args_.end(), name)) {
    if (it + 1 == args_.end()) throw UsageError{std::string(name) + " needs a value"};
    values.push_back(*(it + 1));
    it = args_.erase(it, it + 2);
  }
  return values;
}

std::string Arguments::Value(std::string_view name, const std::string& fallback) {
  const auto values = Values(name);
  if (values.size() > 1) throw UsageError{std::string(name) + " given more than once"};
  return values.empty() ? fallback : values.front();
}

void Arguments::ExpectEmpty() const {
  if (!args_.empty()) throw UsageError{"unexpected argument: " + args_.front()};
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

DeviceSession::DeviceSession(const std::vector<std::string>& folders)
    : volumes_(folders.empty() ? platform::MakeRemovableVolumeSource()
                               : platform::MakeFolderVolumeSource(folders)),
      files_(platform::MakeFileSystem()),
      device_(std::make_unique<TIpodDevice>(
          nullptr, DeviceServices{*volumes_, *files_, dispatcher_})) {}

DeviceSession::~DeviceSession() { device_.reset(); }

}  // namespace ortelan::cli
