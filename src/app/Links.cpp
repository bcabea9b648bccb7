#include "app/Links.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace ortelan::app {

void OpenWebPage(const char* address) {
  QDesktopServices::openUrl(QUrl(QString::fromUtf8(address)));
}

QString HelpFile(const char* page) {
  QString name = QString::fromUtf8(page);
  if (name.startsWith("::/")) name = name.mid(3);
  // Beside the program in a build tree, in share/ortelan/help once installed.
  const QString beside = QCoreApplication::applicationDirPath() + "/help/" + name;
  const QString installed =
      QCoreApplication::applicationDirPath() + "/../share/ortelan/help/" + name;
  return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside
                                                                    : QDir::cleanPath(installed);
}

void OpenHelp(const char* page) { QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile(page))); }

void OpenFolder(const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

}  // namespace ortelan::app
