#include "core/files/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostInfo>

#include <algorithm>

namespace {
constexpr qsizetype MaxHostNameLength = 63;
} // namespace

namespace Platform {

QString localHostName() {
    return QHostInfo::localHostName().left(MaxHostNameLength);
}

QString programFolder() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/telvane"));
    if (!QFileInfo::exists(exeDir + QStringLiteral("/setup.ini")) && QFileInfo(installed).isDir())
        return installed;
    return exeDir;
}

bool FileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

QString GetShortPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return {};
    return info.absoluteFilePath();
}

QString GetFolderOfPath(const QString& path) {
    const qsizetype at = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return at < 0 ? QString() : path.left(at + 1);
}

QString findFileNoCase(const QString& folder, const QString& name) {
    QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

} // namespace Platform

const UtcClock& UtcClock::system() {
    static const UtcClock clock;
    return clock;
}
