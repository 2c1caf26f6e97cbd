#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace brelix {

namespace {
const char* const kKey = "Recent File List/files";
}

QStringList CRecentFiles::List() const {
    QStringList files = QSettings().value(kKey).toStringList();
    while (files.size() > Size) files.removeLast();
    return files;
}

void CRecentFiles::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = List();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > Size) files.removeLast();
    QSettings().setValue(kKey, files);
}

void CRecentFiles::Remove(const QString& path) {
    QStringList files = List();
    files.removeAll(path);
    QSettings().setValue(kKey, files);
}

}  // namespace brelix
