#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <list>
#include <optional>

// An INI file with the semantics of the Windows profile API, which is what the files we exchange with
// Windows installations are written with: case-insensitive sections and keys, trimmed keys and values, one
// pair of surrounding quotes removed, the first section and key of a name win, and everything we do not
// change kept byte for byte.
class ProfileFile {
public:
    // A missing or unreadable file gives an empty profile; exists() tells which. The file is parsed once
    // here; lookups and writes use an index of its sections and keys.
    static ProfileFile load(const QString& path);

    ProfileFile() = default;
    // The index points into the lines, so a profile moves but is not copied.
    ProfileFile(ProfileFile&&) = default;
    ProfileFile& operator=(ProfileFile&&) = default;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    bool exists() const { return m_exists; }
    const QString& path() const { return m_path; }

    // The value as read, whole, or nothing when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Whether the section holds the key.
    bool contains(const QString& section, const QString& key) const;

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
    using Lines = std::list<Line>;
    // The first section of a name; later ones of the same name are never read or written.
    struct Section {
        Lines::iterator header;
        Lines::iterator lastKey;              // the header while the section has no key line
        QHash<QString, Lines::iterator> keys; // case-folded name -> first line of that key
    };
    Section* section(const QString& name);
    const Section* section(const QString& name) const;
    Lines::iterator insertLine(Lines::iterator before, Line line);

    QString m_path;
    bool m_exists = false;
    bool m_unreadable = false; // present but not readable: never overwrite it blindly
    Lines m_lines;
    QHash<QString, Section> m_sections; // case-folded name -> section
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
