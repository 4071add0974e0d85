#pragma once

#include <QString>

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
QString SetupIniPath(const QString& settingsFolder);

} // namespace Settings
