// ortelan-cli: the library and copy jobs of Ortelan without windows.

#include <cstdio>
#include <algorithm>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace {

constexpr const char* kUsage =
    "Usage: ortelan-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  devices [--device DIR]... [--json]\n"
    "      List the connected iPods: mount point, volume name, free space and\n"
    "      which databases they hold. A folder given with --device acts as a\n"
    "      connected iPod (a mounted iPod, or a copy of one); when folders are\n"
    "      given only they are looked at.\n"
    "\n"
    "  music list [--device DIR]... [--json] [--summary]\n"
    "      Load the music library of the first iPod found and list its tracks\n"
    "      and playlists; --summary prints only the counts and the load time.\n"
    "\n"
    "Exit status: 0 done, 1 nothing found or read, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace ortelan::cli;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitOk;
  }
  // "devices" takes its options directly; "music" first names its action.
  const bool hasAction = args[0] == "music";
  const std::string command = hasAction && args.size() > 1 ? args[0] + " " + args[1] : args[0];
  Arguments options(std::vector<std::string>(args.begin() + (hasAction ? std::min<size_t>(2, args.size()) : 1), args.end()));
  try {
    if (options.Flag("--help")) {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (command == "devices") return DevicesCommand(std::move(options));
    if (command == "music list") return MusicListCommand(std::move(options));
    throw UsageError{"unknown command: " + command};
  } catch (const UsageError& error) {
    std::fprintf(stderr, "ortelan-cli: %s\n\n%s", error.Message.c_str(), kUsage);
    return kExitUsage;
  }
}
