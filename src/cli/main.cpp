// ortelan-cli: the library and copy jobs of Ortelan without windows.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "device/SQLiteWrap.h"
#include "music/NameSchemes.h"
#include "photo/ImageCodec.h"
#include "platform/Console.h"
#include "util/Version.h"

namespace {

constexpr const char* kUsageTemplate =
    "Usage: ortelan-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  devices [--device DIR]... [--json]\n"
    "      List the connected iPods: mount point, volume name, free space and\n"
    "      which databases they hold; and the iPhones, iPads and iPod touches:\n"
    "      name, product type, iOS version and UDID. A folder given with\n"
    "      --device acts as a connected iPod (a mounted iPod, or a copy of one);\n"
    "      when folders are given only they are looked at.\n"
    "\n"
    "  music list [--device DIR]... [--json] [--summary]\n"
    "      Load the music library of the first iPod found and list its tracks\n"
    "      and playlists; --summary prints only the counts and the load time.\n"
    "\n"
    "  music copy --to DIR [--scheme 0..@LAST@] [--select SELECTION] [--playlists]\n"
    "             [--list] [--covers] [--device DIR]...\n"
    "      Copy tracks into DIR under names made from their tags. Schemes:\n"
    "@SCHEMES@"
    "      SELECTION: checked (default: every track but books and voice memos),\n"
    "      all, kind:audio, kind:video, kind:book, kind:ringtone, kind:voicememo,\n"
    "      playlist:NAME, search:TEXT. Files already there with the same size\n"
    "      are not copied again; nothing is ever overwritten. Ctrl-C stops after\n"
    "      the track being copied (on an iPhone at once). --playlists also\n"
    "      writes each playlist as an M3U8 file into DIR; --list writes\n"
    "      tracks.csv with every track copied or in place, its tags, rating\n"
    "      (stars) and play count. --covers (with --scheme 0) writes each\n"
    "      album's artwork as cover.jpg into its folder.\n"
    "\n"
    "  photos list [--device DIR]... [--json]\n"
    "      Load the photo library (Photo Database and camera roll) and list its\n"
    "      photos, albums and thumbnail formats.\n"
    "\n"
    "  photos export --to DIR [--album NAME] [--camera] [--device DIR]...\n"
    "      Export the photos of an album (by default the whole library) into DIR:\n"
    "      thumbnails as JPEG files named by photo id, or the device's originals\n"
    "      under their own names; with --camera the camera-roll files as well.\n"
    "\n"
    "  --version\n"
    "      Print the program's version.\n"
    "\n"
    "Exit status: 0 done, 1 nothing found or read (or the destination refused,\n"
    "or another error), 2 usage error, 3 some items were not copied.\n"
    "The manual page ortelan-cli(1) tells more.\n";

// The usage text with the naming schemes of the table, two to a line.
std::string Usage() {
  std::string schemes;
  for (int i = 0; i < ortelan::kNameSchemeCount; ++i) {
    std::string entry = std::to_string(i) + " " + ortelan::kNameSchemes[i].ShortName;
    if (i % 2 == 0 && i + 1 < ortelan::kNameSchemeCount) {
      schemes += "        " + entry.append(std::max<size_t>(entry.size(), 28) - entry.size(), ' ');
    } else {
      schemes += (i % 2 == 0 ? "        " : " ") + entry + "\n";
    }
  }
  std::string usage = kUsageTemplate;
  usage.replace(usage.find("@LAST@"), 6, std::to_string(ortelan::kNameSchemeCount - 1));
  usage.replace(usage.find("@SCHEMES@"), 9, schemes);
  return usage;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ortelan::cli;
  ortelan::platform::IgnoreBrokenPipes();
  const ortelan::SQLiteLibrary sqlite;
  ortelan::ImageCodec::Start();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--version") {
    std::printf("ortelan-cli %s\n", ortelan::kVersion);
    return kExitOk;
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(Usage().c_str(), args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitOk;
  }
  // "devices" takes its options directly; "music" first names its action.
  const bool hasAction = args[0] == "music" || args[0] == "photos";
  const std::string command = hasAction && args.size() > 1 ? args[0] + " " + args[1] : args[0];
  Arguments options(std::vector<std::string>(
      args.begin() + (hasAction ? std::min<size_t>(2, args.size()) : 1), args.end()));
  try {
    if (options.Flag("--help")) {
      std::fputs(Usage().c_str(), stdout);
      return kExitOk;
    }
    if (command == "devices") return DevicesCommand(std::move(options));
    if (command == "music list") return MusicListCommand(std::move(options));
    if (command == "music copy") return MusicCopyCommand(std::move(options));
    if (command == "photos list") return PhotosListCommand(std::move(options));
    if (command == "photos export") return PhotosExportCommand(std::move(options));
    throw UsageError{"unknown command: " + command};
  } catch (const UsageError& error) {
    std::fprintf(stderr, "ortelan-cli: %s\n\n%s", error.Message.c_str(), Usage().c_str());
    return kExitUsage;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "ortelan-cli: out of memory\n");
    return kExitNotFound;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ortelan-cli: %s\n", Shown(error.what()).c_str());
    return kExitNotFound;
  } catch (...) {
    std::fprintf(stderr, "ortelan-cli: unexpected error\n");
    return kExitNotFound;
  }
}
