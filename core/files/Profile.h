#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// An INI file with the semantics of the Windows profile API, which is what the files we exchange with
// Windows installations are written with: case-insensitive sections and keys, trimmed keys and values, one
// pair of surrounding quotes removed, the first section and key of a name win, and everything we do not
// change kept byte for byte.
class ProfileFile {
public:
    // A missing or unreadable file gives an empty profile; exists() tells which.
    static ProfileFile load(const QString& path);

    bool exists() const { return m_exists; }
    const QString& path() const { return m_path; }

    // The value as read, whole, or nothing when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Replaces the value in place or inserts the key (and the section) as the profile API does. Line breaks
    // in the value become blanks, because a raw one would split the line and could inject keys.
    void setValue(const QString& section, const QString& key, const QString& value);

    // Writes the whole file atomically: on failure the old file stays whole and *error says why.
    bool save(QString* error = nullptr) const;

    QByteArray toBytes() const;

private:
    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\r\n", "\n", "\r" or "" for a last line without one
    };
    struct Location {
        qsizetype header = -1;  // line of the section header
        qsizetype lastKey = -1; // last key line of the section
        qsizetype key = -1;     // line of the key asked for
    };
    Location locate(const QString& section, const QString& key) const;

    QString m_path;
    bool m_exists = false;
    bool m_unreadable = false; // present but not readable: never overwrite it blindly
    QList<Line> m_lines;
};

// Reads like GetPrivateProfileStringA: the default (trailing spaces cut) when the file, section or key is
// missing; at most size - 1 characters. *length receives the number of characters returned.
QString ReadProfileValue(const QString& section, const QString& key, const QString& defaultValue, int size,
                         const QString& file, int* length = nullptr);

// The same on a file loaded once, for reading several keys.
QString ReadProfileValue(const ProfileFile& profile, const QString& section, const QString& key,
                         const QString& defaultValue, int size, int* length = nullptr);

// Writes like WritePrivateProfileStringA, atomically. Returns false (with the reason) when the file cannot
// be written; callers that the program's behaviour lets ignore the failure may do so.
bool WriteProfileValue(const QString& section, const QString& key, const QString& value, const QString& file,
                       QString* error = nullptr);
