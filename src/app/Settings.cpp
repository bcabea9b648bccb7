#include "app/Settings.h"

#include <QDir>
#include <QSettings>
#include <memory>

#include "platform/Platform.h"
#include "util/Text.h"

namespace ortelan::app {

namespace {

std::unique_ptr<QSettings> OpenSettings() {
#ifdef Q_OS_WIN
  auto settings =
      std::make_unique<QSettings>("HKEY_CURRENT_USER\\Software\\Ortelan", QSettings::NativeFormat);
#else
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                              "Ortelan", "Ortelan");
#endif
  if (settings->status() != QSettings::NoError) return nullptr;
  return settings;
}

std::string ReadFolder(QSettings& settings, const char* name) {
  return Trim(settings.value(name).toString().toStdString());
}

// The user's folder (with its trailing separator) and `below`, or empty when
// the user has no such folder.
std::string DefaultFolder(const std::string& userFolder, const char* below) {
  if (userFolder.empty()) return "";
  return userFolder + QDir::toNativeSeparators(below).toStdString();
}

}  // namespace

void LoadSettings(MusicOptions& options) {
  const auto settings = OpenSettings();
  if (!settings) return;
  if (settings->contains("SaveType")) options.NameScheme = settings->value("SaveType").toInt();
  if (settings->contains("Sync")) options.AddToItunes = settings->value("Sync").toInt() != 0;
  options.SavePlaylists = settings->value("Playlists", 0).toInt() != 0;
  options.SaveTrackList = settings->value("TrackList", 0).toInt() != 0;
  options.SaveCovers = settings->value("Covers", 1).toInt() != 0;
  options.DestFolder = ReadFolder(*settings, "Outpath");
  if (options.DestFolder.empty()) {
    options.DestFolder = DefaultFolder(platform::UserMusicFolder(), "iTunes/iTunes Music/");
  }
}

void LoadSettings(PhotoOptions& options) {
  const auto settings = OpenSettings();
  if (!settings) return;
  options.DestFolder = ReadFolder(*settings, "POutpath");
  if (options.DestFolder.empty()) {
    options.DestFolder = DefaultFolder(platform::UserPicturesFolder(), "iPod Photos/");
  }
}

void SaveSettings(const MusicOptions& options) {
  const auto settings = OpenSettings();
  if (!settings) return;
  settings->setValue("Outpath", QString::fromStdString(options.DestFolder));
  settings->setValue("SaveType", options.NameScheme);
  settings->setValue("Sync", options.AddToItunes ? 1 : 0);
  settings->setValue("Playlists", options.SavePlaylists ? 1 : 0);
  settings->setValue("TrackList", options.SaveTrackList ? 1 : 0);
  settings->setValue("Covers", options.SaveCovers ? 1 : 0);
}

void SaveSettings(const PhotoOptions& options) {
  const auto settings = OpenSettings();
  if (!settings) return;
  settings->setValue("POutpath", QString::fromStdString(options.DestFolder));
}

}  // namespace ortelan::app
