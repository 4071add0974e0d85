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

SaveLock::SaveLock(const QString& settingsFolder)
    : m_lock(QDir(settingsFolder).filePath(QStringLiteral(".telvane-save.lock"))) {
    // A save takes milliseconds; one that holds the lock longer has hung, and the next exit must not wait
    // for it for ever.
    m_lock.setStaleLockTime(30000);
    m_lock.tryLock(10000);
}

WindowMarker::WindowMarker(const QString& settingsFolder) {
    const QDir folder(settingsFolder);
    bool mine = false;
    for (int i = 0; i < Markers; ++i) {
        auto marker =
            std::make_unique<QLockFile>(folder.filePath(QStringLiteral(".telvane-window-%1.lock").arg(i)));
        // Held for the window's whole life: only a dead process makes a marker stale, never its age.
        marker->setStaleLockTime(0);
        if (!marker->tryLock(0)) {
            m_others = m_others || marker->error() == QLockFile::LockFailedError;
            continue;
        }
        if (mine) {
            marker->unlock(); // free: no window holds it
            continue;
        }
        mine = true;
        m_markers[static_cast<std::size_t>(i)] = std::move(marker);
    }
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

int SetupSettings::languageForLocale(const QLocale& locale) {
    return locale.language() == QLocale::German ? 0 : 1;
}

SetupSettings SetupSettings::read(const QString& iniPath, const QString& localHostName, ProfileLines* lines,
                                  QString* refusal, int defaultLanguage) {
    const ProfileFile profile = ProfileFile::load(iniPath);
    if (refusal)
        *refusal = profile.refusal();
    auto read = [&](const char* key, const QString& defaultValue, int size) {
        if (lines)
            lines->record(profile, Settings::Section, QLatin1String(key));
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
    settings.language = numberSetting(read("Language", QString::number(defaultLanguage), 65), 1);
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
    settings.captureEnabled = read("CaptureLog", QStringLiteral("0"), 2).trimmed() == QLatin1String("1");
    settings.captureFolder = read("CaptureFolder", QString(), std::numeric_limits<int>::max());
    // A size or count of 0 would capture nothing: out of range gives the default.
    auto positive = [&](const char* key, int defaultValue, int lastValid) {
        const int n = numberSetting(read(key, QString::number(defaultValue), 12), lastValid);
        return n > 0 ? n : defaultValue;
    };
    settings.captureFileMb = positive("CaptureFileMB", 100, MaxCaptureFileMb);
    settings.captureFiles = positive("CaptureFiles", 20, MaxCaptureFiles);
    return settings;
}

QList<QPair<QString, QString>> SetupSettings::keyTexts() const {
    QList<QPair<QString, QString>> keys;
    auto add = [&](const char* key, const QString& value) { keys.append({QLatin1String(key), value}); };
    add("Port", port);
    add("Name", name);
    add("Device", QString::number(device));
    add("Connect", QString::number(connect));
    add("Language", QString::number(language));
    add("SelTab", QString::number(selTab));
    if (window) {
        const int place[4] = {window->left(), window->top(), window->width(), window->height()};
        for (int i = 0; i < 4; ++i)
            add(WindowKeys[i], QString::number(place[i]));
        add("WindowMaximized", QString::number(windowMaximized ? 1 : 0));
    }
    add("ReplyTimeout", QString::number(replyTimeout));
    add("ErrorText", errorText);
    add("LogFollow", QString::number(logFollow ? 1 : 0));
    add("LogLatencyColumn", QString::number(logLatencyColumn ? 1 : 0));
    add("CaptureLog", QString::number(captureEnabled ? 1 : 0));
    add("CaptureFolder", captureFolder);
    add("CaptureFileMB", QString::number(captureFileMb));
    add("CaptureFiles", QString::number(captureFiles));
    return keys;
}

bool SetupSettings::write(const QString& iniPath, QString* error) const {
    ProfileFile profile = ProfileFile::load(iniPath);
    for (const auto& [key, value] : keyTexts())
        profile.setValue(Settings::Section, key, value);
    return profile.save(error);
}

bool SetupSettings::writeChanges(const QString& iniPath, const SetupSettings& atStart,
                                 const ProfileLines& linesAtStart, QString* error) const {
    ProfileFile profile = ProfileFile::load(iniPath);
    QHash<QString, QString> before;
    for (const auto& [key, value] : atStart.keyTexts())
        before.insert(key, value);
    for (const auto& [key, value] : keyTexts()) {
        const auto read = before.constFind(key);
        const bool changedHere = read == before.cend() || read.value() != value;
        if (Settings::exitSaveWrites(changedHere, !profile.contains(Settings::Section, key),
                                     linesAtStart.unchanged(profile, Settings::Section, key)))
            profile.setValue(Settings::Section, key, value);
    }
    return profile.save(error);
}

QString SetupSettings::captureFolderIn(const QString& settingsFolder) const {
    return captureFolder.trimmed().isEmpty() ? QDir(settingsFolder).filePath(QStringLiteral("logs"))
                                             : captureFolder;
}
