#include "cli/CliSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform/Console.h"
#include "platform/ReadFile.h"
#include "util/Text.h"

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
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
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

namespace {

bool IsWide(uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1FAFF) ||
         (cp >= 0x20000 && cp <= 0x3FFFD);
}

// Decodes the code point starting at text[i] and moves i past it.
uint32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  uint32_t cp = extra == 3   ? lead & 0x07
                : extra == 2 ? lead & 0x0F
                : extra == 1 ? lead & 0x1F
                             : lead;
  for (int k = 0; k < extra && i < text.size(); ++k) cp = (cp << 6) | (text[i++] & 0x3F);
  return cp;
}

}  // namespace

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

std::string Shown(std::string_view text) { return TerminalText(text); }

namespace {

// The code at the end of a copy's log line: "Title: Err 28", "name: Error 5".
bool EndsWithErrorCode(std::string_view line, int& code) {
  size_t digits = line.size();
  while (digits > 0 && line[digits - 1] >= '0' && line[digits - 1] <= '9') --digits;
  if (digits == line.size() || line.size() - digits > 6) return false;
  const std::string_view before = line.substr(0, digits);
  if (!before.ends_with(": Err ") && !before.ends_with(": Error ")) return false;
  code = std::stoi(std::string(line.substr(digits)));
  return true;
}

}  // namespace

std::string LogForTerminal(std::string_view log) {
  const std::string text = WithoutCarriageReturns(log);
  std::string out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    out += Shown(line);
    int code = 0;
    if (EndsWithErrorCode(line, code)) out += " (" + platform::ErrorText(code) + ")";
    if (end < text.size()) out += '\n';
    start = end + 1;
  }
  return out;
}

std::string DestinationFolder(const std::string& to) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(to, ec);
  if (ec || absolute.empty()) {
    throw std::runtime_error("cannot use the destination " + to + ": " + ec.message());
  }
  return absolute.lexically_normal().string();
}

void PrintDestinationError(std::string message) {
  for (char& c : message) c = c == '\r' ? '\n' : c;
  std::fprintf(stderr, "%s\n", Shown(message).c_str());
}

bool RunWorkerUntilDone(platform::QueueDispatcher& dispatcher,
                        const std::function<bool()>& finished,
                        const std::function<void()>& terminate) {
  std::atomic<bool> interrupted{false};
  const platform::StopRequestCatcher catcher(interrupted);
  bool asked = false;
  dispatcher.RunUntil([&] {
    if (interrupted && !asked) {
      asked = true;
      terminate();
    }
    return finished();
  });
  return asked;
}

std::string Column(std::string_view text, size_t width) {
  std::string out;
  size_t used = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t start = i;
    const uint32_t cp = NextCodePoint(text, i);
    const size_t w = IsWide(cp) ? 2 : 1;
    if (used + w > width) break;
    out += Shown(text.substr(start, i - start));
    used += w;
  }
  return out.append(width - used, ' ');
}

DeviceSession::DeviceSession(const std::vector<std::string>& folders)
    : volumes_(folders.empty() ? platform::MakeRemovableVolumeSource()
                               : platform::MakeFolderVolumeSource(folders)),
      files_(platform::MakeFileSystem()),
      // Folders given are all there is to look at; otherwise iOS devices too.
      mobile_(folders.empty() ? platform::ProcessMobileDevice() : nullptr),
      device_(std::make_unique<TIpodDevice>(
          nullptr, DeviceServices{*volumes_, *files_, dispatcher_, mobile_})) {}

DeviceSession::~DeviceSession() { device_.reset(); }

bool DeviceSession::Connect() {
  if (device_->ScanDrives() || WaitForIosDevice()) return true;
  std::fprintf(stderr, "No iPod found.\n");
  const std::string why = device_->IosSession().LastError();
  if (!why.empty()) std::fprintf(stderr, "%s\n", Shown(why).c_str());
  return false;
}

bool DeviceSession::WaitForIosDevice() {
  if (device_->IosUnavailable || mobile_->AttachedDevices().empty()) return false;
  // The attach notification comes on the library's thread; its connection
  // sequence ends in a change handed to this thread, or in a failure.
  const TIosHelper& session = device_->IosSession();
  const auto deadline = std::chrono::steady_clock::now() + kIosConnectWait;
  dispatcher_.RunUntil([&] {
    return device_->Connected || (session.AttachesHandled > 0 && !session.Connected) ||
           std::chrono::steady_clock::now() > deadline;
  });
  return device_->Connected;
}

void ReportPhotoLibraryStandIn(const TIpodPhotoDb& db) {
  if (db.ReadError.empty() || LibraryDamaged(db)) return;
  std::fprintf(stderr,
               "The photo library cannot be read (%s); the older Photo Database was read "
               "instead.\n",
               LogForTerminal(db.ReadError).c_str());
}

bool LoadMusic(TIpodMusicDb& db, bool& loaded) {
  try {
    loaded = db.LoadMusicLibrary(true);
    return true;
  } catch (const EInflateError& error) {
    std::fprintf(stderr, "The compressed music database cannot be read: %s\n", error.what());
    loaded = false;
    return false;
  }
}

}  // namespace ortelan::cli
