#pragma once

#include <QRect>
#include <QString>

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

    static constexpr int MaxReplyTimeout = 3600;

    // Missing keys give their defaults (the name defaults to localHostName); a value that is not a
    // number, or a number the widget cannot take, gives 0 (an unchecked box for "Connect").
    static SetupSettings read(const QString& iniPath, const QString& localHostName);
    // Keeps the file's other keys and sections; on failure the old file stays whole and *error says why.
    bool write(const QString& iniPath, QString* error = nullptr) const;
};
