#pragma once

// Where the program's links lead: the product's web pages, and the help
// pages installed beside the program.

#include <QString>

class QWidget;

namespace ortelan::app {

inline constexpr const char* kHomePage = "https://www.ortelan.app/";
inline constexpr const char* kDownloadPage = "https://www.ortelan.app/download/";
// What an iPhone, iPod touch or iPad needs to be read on this computer.
inline constexpr const char* kCompanionPage = "https://www.ortelan.app/ios-devices/";

// The help pages, as the windows name them.
inline constexpr const char* kMusicHelpPage = "::/ortelan.html";
inline constexpr const char* kPhotoHelpPage = "::/ortelanphoto.html";
inline constexpr const char* kFixHelpPage = "::/fix.html";

// Opens a web page in the desktop browser; a failure is not reported.
void OpenWebPage(const char* address);
// Opens a help page ("::/name.html") from the help folder beside the program.
void OpenHelp(const char* page);
// The file of a help page, for tests and for the help links.
QString HelpFile(const char* page);
// Opens a folder in the file manager; a failure is not reported.
void OpenFolder(const QString& folder);

}  // namespace ortelan::app
