#include "app/Settings.h"

#include "app/Platform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace Settings {

QString SettingsFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/Veltrix/Telvane")) + QLatin1Char('/');
}

void PrepareSettingsFolder(const QString& settingsFolder, const QString& programFolder) {
    QDir().mkpath(settingsFolder);
    const QDir program(programFolder);
    auto copyIfMissing = [&](const QString& name) {
        const QString target = Platform::FindFileNoCase(settingsFolder, name);
        if (Platform::FileExists(target))
            return;
        QFile::copy(program.filePath(name), QDir(settingsFolder).filePath(name));
    };
    const QString templateIni = Platform::FindFileNoCase(programFolder, QStringLiteral("setup.ini"));
    if (QFileInfo(templateIni).isFile()) {
        if (!Platform::FileExists(Platform::FindFileNoCase(settingsFolder, QStringLiteral("setup.ini"))))
            QFile::copy(templateIni, QDir(settingsFolder).filePath(QStringLiteral("Setup.ini")));
    }
    const QStringList configs = program.entryList({QStringLiteral("*.cfg")}, QDir::Files | QDir::Hidden,
                                                  QDir::Name | QDir::IgnoreCase);
    for (const QString& name : configs)
        copyIfMissing(name);
}

QString SetupIniPath(const QString& settingsFolder) {
    return Platform::FindFileNoCase(settingsFolder, QStringLiteral("Setup.ini"));
}

} // namespace Settings
