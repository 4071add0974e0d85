#pragma once

#include <QDateTime>
#include <QString>

namespace Platform {

// The local host name, at most 63 characters (what a 64-byte buffer holds).
QString localHostName();

// The folder that holds the templates (setup.ini, *.cfg): the executable's folder in a build tree,
// <prefix>/share/telvane when installed.
QString programFolder();

// True when the path names an existing file or folder.
bool FileExists(const QString& path);

// There are no 8.3 names here: the absolute path of an existing file, "" when it does not exist.
QString GetShortPath(const QString& path);

// The text from the start up to and including the last '/' or '\', "" when there is none: paths typed by
// hand or written by the program on Windows use the backslash.
QString GetFolderOfPath(const QString& path);

// Looks a file name up case-insensitively in a folder, as the file system of the profile files' origin
// does. Returns the existing entry's path, or folder + name when there is none.
QString findFileNoCase(const QString& folder, const QString& name);

} // namespace Platform

// Where the session and the log take the times of their rows from: the system clock in UTC, unless they are
// given another one (a test's).
class UtcClock {
public:
    virtual ~UtcClock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTimeUtc(); }
    static const UtcClock& system();
};
