#pragma once

#include "core/files/Profile.h"

#include <QLocale>
#include <QLockFile>
#include <QRect>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// The settings folder and its first-start preparation.
namespace Settings {

// $XDG_DATA_HOME (default ~/.local/share) followed by Veltrix/Telvane/; always ends with '/'.
QString SettingsFolder();

// Creates the settings folder when missing (without it every exit would lose the settings), then copies the
// program folder's setup.ini and *.cfg templates into it where no file of that name exists yet (names
// compared case-insensitively). Existing files are never replaced; folders are not copied; failures are
// ignored.
void PrepareSettingsFolder(const QString& settingsFolder, const QString& programFolder);

// Path of Setup.ini in the folder, whichever case the existing file uses.
QString setupIniPath(const QString& settingsFolder);

// The section of Setup.ini and of the configuration files.
inline const QString Section = QStringLiteral("SETTINGS");

// Held around every read-modify-write of the folder's files, so that the exits of two windows never
// interleave. Without it (a read-only folder, or still taken after the wait) the save goes ahead: each file
// is still replaced whole.
class SaveLock {
public:
    explicit SaveLock(const QString& settingsFolder);
    bool locked() const { return m_lock.isLocked(); }

private:
    QLockFile m_lock;
};

// Held for as long as a window runs on the folder, so that a window can tell it is not the only one. Each
// window takes one of a few marker locks and looks whether another is held; one left behind by a crashed
// window does not count, as its process is gone.
class WindowMarker {
public:
    explicit WindowMarker(const QString& settingsFolder);
    bool otherWindowRunning() const { return m_others; }

private:
    static constexpr int Markers = 8;
    std::array<std::unique_ptr<QLockFile>, Markers> m_markers;
    bool m_others = false;
};

// The rule of an exit save on a file other windows may have changed since this one read it: a key is
// written when this window changed it, when the file lacks it, or when its line is still the one read at
// start (then the file becomes what a single window always made of it); otherwise the other's value stays.
inline bool exitSaveWrites(bool changedHere, bool missingNow, bool untouchedSinceStart) {
    return changedHere || missingNow || untouchedSinceStart;
}

} // namespace Settings

// Setup.ini's keys, read once at start-up and written once at exit, in one replace of the file.
struct SetupSettings {
    QString port = QStringLiteral("6060"); // as typed into txtPort
    QString name = QString();              // PC name or IP address
    int device = 0;                        // DeviceTypeIndex, 0 or 1 (-1 written when none is selected)
    int connect = 1;                       // chkConnect: 0 unchecked, 1 checked, 2 greyed
    int language = 0;                      // LanguageIndex, 0 or 1
    int selTab = 0;                        // the page of SSTab1 shown, 0 to 3
    // The window's place and size when not maximised (the inner area, in pixels); nothing until an exit
    // has written it, or when a stored value is not a number or the size is not positive. Written, with
    // windowMaximized, only when there is a place.
    std::optional<QRect> window = std::nullopt;
    bool windowMaximized = false;
    int replyTimeout = 0;          // seconds a run waits for a reply at most; 0 without limit
    QString errorText = QString(); // a reply holding it stops a run and is marked; "" is off
    bool logFollow = true;         // new rows are selected and shown
    bool logLatencyColumn = false; // the log shows the reply latency
    // The log written to files as it grows (keys of our own): off by default; the folder ("" for "logs" in
    // the settings folder), the size of a file and the number of files kept.
    bool captureEnabled = false;
    QString captureFolder = QString();
    int captureFileMb = 100;
    int captureFiles = 20;

    static constexpr int MaxReplyTimeout = 3600;
    static constexpr int MaxCaptureFileMb = 4096;
    static constexpr int MaxCaptureFiles = 1000;

    // The capture folder in effect: the one set, or "logs" in the settings folder.
    QString captureFolderIn(const QString& settingsFolder) const;

    // Missing keys give their defaults (the name defaults to localHostName, the language to
    // defaultLanguage); a value that is not a number, or a number the widget cannot take, gives 0 (an
    // unchecked box for "Connect"). *lines receives the keys' lines as found, for writeChanges; *refusal why
    // an existing file was not read.
    static SetupSettings read(const QString& iniPath, const QString& localHostName,
                              ProfileLines* lines = nullptr, QString* refusal = nullptr,
                              int defaultLanguage = 0);
    // The language a first start shows: German for a German desktop, English for any other.
    static int languageForLocale(const QLocale& locale);
    // Keeps the file's other keys and sections; on failure the old file stays whole and *error says why.
    bool write(const QString& iniPath, QString* error = nullptr) const;
    // The exit save of a window that may share the folder: reads the file again and writes the keys that
    // differ from atStart (what read() gave this window), and the others as Settings::exitSaveWrites says.
    bool writeChanges(const QString& iniPath, const SetupSettings& atStart, const ProfileLines& linesAtStart,
                      QString* error = nullptr) const;

    // The keys as written, in the order written.
    QList<QPair<QString, QString>> keyTexts() const;
};
