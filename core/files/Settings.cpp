#include "core/files/Settings.h"

#include "core/files/Platform.h"
#include "core/files/Profile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <limits>

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
        const QString target = Platform::findFileNoCase(settingsFolder, name);
        if (Platform::FileExists(target))
            return;
        QFile::copy(program.filePath(name), QDir(settingsFolder).filePath(name));
    };
    const QString templateIni = Platform::findFileNoCase(programFolder, QStringLiteral("setup.ini"));
    if (QFileInfo(templateIni).isFile()) {
        if (!Platform::FileExists(Platform::findFileNoCase(settingsFolder, QStringLiteral("setup.ini"))))
            QFile::copy(templateIni, QDir(settingsFolder).filePath(QStringLiteral("Setup.ini")));
    }
    const QStringList configs = program.entryList({QStringLiteral("*.cfg")}, QDir::Files | QDir::Hidden,
                                                  QDir::Name | QDir::IgnoreCase);
    for (const QString& name : configs)
        copyIfMissing(name);
}

QString setupIniPath(const QString& settingsFolder) {
    return Platform::findFileNoCase(settingsFolder, QStringLiteral("Setup.ini"));
}

} // namespace Settings

namespace {

// A setting that must be a whole number; anything else (or a number outside what the widget takes) gives 0.
int numberSetting(const QString& value, int lastValid) {
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    return ok && n >= 0 && n <= lastValid ? n : 0;
}

const char* const WindowKeys[4] = {"WindowLeft", "WindowTop", "WindowWidth", "WindowHeight"};

} // namespace

SetupSettings SetupSettings::read(const QString& iniPath, const QString& localHostName) {
    const ProfileFile profile = ProfileFile::load(iniPath);
    auto read = [&](const char* key, const QString& defaultValue, int size) {
        return ReadProfileValue(profile, Settings::Section, QLatin1String(key), defaultValue, size);
    };
    SetupSettings settings;
    settings.port = read("Port", QStringLiteral("6060"), 7);
    // Read whole: a host name may have 253 characters, and a cut one would be saved cut at exit.
    settings.name = read("Name", localHostName, std::numeric_limits<int>::max());
    settings.device = numberSetting(read("Device", QStringLiteral("0"), 2), 1);
    bool ok = false;
    const int connect = read("Connect", QStringLiteral("1"), 2).trimmed().toInt(&ok);
    settings.connect = !ok || connect == 0 ? 0 : connect == 2 ? 2 : 1;
    settings.language = numberSetting(read("Language", QStringLiteral("0"), 65), 1);
    settings.selTab = numberSetting(read("SelTab", QStringLiteral("0"), 2), 3);
    int place[4] = {};
    bool placeOk = true;
    for (int i = 0; i < 4 && placeOk; ++i)
        place[i] = read(WindowKeys[i], QString(), 12).trimmed().toInt(&placeOk);
    if (placeOk && place[2] > 0 && place[3] > 0)
        settings.window = QRect(place[0], place[1], place[2], place[3]);
    settings.windowMaximized =
        read("WindowMaximized", QStringLiteral("0"), 2).trimmed() == QLatin1String("1");
    settings.replyTimeout = numberSetting(read("ReplyTimeout", QStringLiteral("0"), 12), MaxReplyTimeout);
    settings.errorText = read("ErrorText", QString(), std::numeric_limits<int>::max());
    settings.logFollow = read("LogFollow", QStringLiteral("1"), 2).trimmed() != QLatin1String("0");
    settings.logLatencyColumn =
        read("LogLatencyColumn", QStringLiteral("0"), 2).trimmed() == QLatin1String("1");
    return settings;
}

bool SetupSettings::write(const QString& iniPath, QString* error) const {
    ProfileFile profile = ProfileFile::load(iniPath);
    auto write = [&](const char* key, const QString& value) {
        profile.setValue(Settings::Section, QLatin1String(key), value);
    };
    write("Port", port);
    write("Name", name);
    write("Device", QString::number(device));
    write("Connect", QString::number(connect));
    write("Language", QString::number(language));
    write("SelTab", QString::number(selTab));
    if (window) {
        const int place[4] = {window->left(), window->top(), window->width(), window->height()};
        for (int i = 0; i < 4; ++i)
            write(WindowKeys[i], QString::number(place[i]));
        write("WindowMaximized", QString::number(windowMaximized ? 1 : 0));
    }
    write("ReplyTimeout", QString::number(replyTimeout));
    write("ErrorText", errorText);
    write("LogFollow", QString::number(logFollow ? 1 : 0));
    write("LogLatencyColumn", QString::number(logLatencyColumn ? 1 : 0));
    return profile.save(error);
}
