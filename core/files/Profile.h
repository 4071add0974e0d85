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
    // Far above any real Setup.ini or configuration file (a few KiB; the largest slot lists a few MiB), and
    // low enough that a runaway file cannot take the memory.
    static constexpr qint64 MaxBytes = qint64(64) << 20;

    // A missing, unreadable or refused file gives an empty profile; exists() and refusal() tell which. A file
    // that is not a regular one (a folder, a device, a pipe) or is larger than maxBytes is refused without
    // reading it. The file is parsed once here; lookups and writes use an index of its sections and keys. A
    // file that starts with a UTF-8 or UTF-16 byte-order mark is read and written in that encoding.
    static ProfileFile load(const QString& path, qint64 maxBytes = MaxBytes);

    ProfileFile() = default;
    // The index points into the lines, so a profile moves but is not copied.
    ProfileFile(ProfileFile&&) = default;
    ProfileFile& operator=(ProfileFile&&) = default;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    bool exists() const { return m_exists; }
    // Why an existing file was not read ("" when it was read or does not exist); save() then refuses.
    const QString& refusal() const { return m_refusal; }
    const QString& path() const { return m_path; }

    // The value as read, whole, or nothing when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The same, trimmed and unquoted but not decoded (valid while the profile lives), for a reader that
    // takes only part of a long value; text() decodes such bytes.
    std::optional<QByteArrayView> rawValue(const QString& section, const QString& key) const;
    QString text(QByteArrayView bytes) const { return decoded(bytes); }
    // Whether the section holds the key.
    bool contains(const QString& section, const QString& key) const;
    // The key's whole line as stored (without its line end), or nothing when it is missing.
    std::optional<QByteArray> line(const QString& section, const QString& key) const;

    // Replaces the value in place or inserts the key (and the section) as the profile API does. Line breaks
    // in the value become blanks, because a raw one would split the line and could inject keys.
    void setValue(const QString& section, const QString& key, const QString& value);

    // Writes the whole file atomically: on failure the old file stays whole and *error says why.
    bool save(QString* error = nullptr) const;

    QByteArray toBytes() const;

private:
    enum class Encoding { Cp1252, Utf8, Utf16Le, Utf16Be };
    QString decoded(QByteArrayView bytes) const;
    QByteArray encoded(const QString& text) const;

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
    const QByteArray* keyLine(const QString& section, const QString& key) const; // the first line of a key
    Lines::iterator insertLine(Lines::iterator before, Line line);

    QString m_path;
    bool m_exists = false;
    bool m_unreadable = false; // present but not readable: never overwrite it blindly
    QString m_refusal;
    Encoding m_encoding = Encoding::Cp1252;
    QByteArray m_byteOrderMark; // as the file had it, written again before the lines
    Lines m_lines;
    QHash<QString, Section> m_sections; // case-folded name -> section
};

// Which lines of a profile some keys had when a window read it at start, so that its exit save can tell the
// keys another program has changed since from those nobody touched.
class ProfileLines {
public:
    void record(const ProfileFile& profile, const QString& section, const QString& key);
    // Whether the key's line in the profile is the one recorded (a key missing both times counts as the
    // same).
    bool unchanged(const ProfileFile& profile, const QString& section, const QString& key) const;

private:
    static QString name(const QString& section, const QString& key);
    QHash<QString, QByteArray> m_digests; // a digest, not the line: a slot's line can be megabytes
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
