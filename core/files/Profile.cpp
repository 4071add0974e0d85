#include "core/files/Profile.h"

#include "core/files/Codec.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v');
}

QString trimmedBlanks(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// The names asked for are compared after cutting spaces only (not tabs).
QString trimmedSpaces(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && s[end - 1] == QLatin1Char(' '))
        --end;
    return s.mid(begin, end - begin);
}

enum class Kind { Other, Header, Comment, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QString name;  // section name or key
    QString value; // key value, trimmed, quotes not yet removed
};

Parsed parseLine(const QString& line) {
    Parsed p;
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i == line.size())
        return p;
    if (line[i] == QLatin1Char('[')) {
        p.kind = Kind::Header;
        const qsizetype close = line.indexOf(QLatin1Char(']'), i + 1);
        p.name = trimmedBlanks(line.mid(i + 1, close < 0 ? -1 : close - i - 1));
        return p;
    }
    if (line[i] == QLatin1Char(';')) {
        p.kind = Kind::Comment;
        return p;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return p;
    p.kind = Kind::Key;
    p.name = trimmedBlanks(line.left(eq));
    p.value = trimmedBlanks(line.mid(eq + 1));
    return p;
}

QString unquoted(const QString& v) {
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString withoutLineBreaks(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

const QByteArray Crlf = QByteArrayLiteral("\r\n");

} // namespace

ProfileFile ProfileFile::load(const QString& path) {
    ProfileFile profile;
    profile.m_path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        profile.m_unreadable = file.exists();
        return profile;
    }
    profile.m_exists = true;
    const QByteArray data = file.readAll();
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype i = start;
        while (i < data.size() && data[i] != '\r' && data[i] != '\n')
            ++i;
        Line line{data.mid(start, i - start), {}};
        if (i < data.size()) {
            const bool crlf = data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
            line.end = data.mid(i, crlf ? 2 : 1);
            i += crlf ? 2 : 1;
        }
        profile.m_lines.append(line);
        start = i;
    }
    return profile;
}

ProfileFile::Location ProfileFile::locate(const QString& section, const QString& key) const {
    Location loc;
    const QString wantedSection = trimmedSpaces(section);
    const QString wantedKey = trimmedSpaces(key);
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Parsed p = parseLine(Cp1252::decode(m_lines[i].text));
        if (p.kind == Kind::Header) {
            if (inSection)
                break; // only the first section of a name counts
            if (sameName(p.name, wantedSection)) {
                inSection = true;
                loc.header = i;
            }
            continue;
        }
        if (!inSection || p.kind != Kind::Key)
            continue;
        loc.lastKey = i;
        if (loc.key < 0 && sameName(p.name, wantedKey))
            loc.key = i;
    }
    return loc;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
    const Location loc = locate(section, key);
    if (loc.key < 0)
        return std::nullopt;
    return unquoted(parseLine(Cp1252::decode(m_lines[loc.key].text)).value);
}

void ProfileFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString cleanSection = withoutLineBreaks(trimmedSpaces(section));
    const QString cleanKey = withoutLineBreaks(trimmedSpaces(key));
    const QByteArray encodedValue = Cp1252::encode(withoutLineBreaks(value));
    const Location loc = locate(cleanSection, cleanKey);
    if (loc.key >= 0) {
        // Keep the file's own spelling of the key; only the value changes.
        Line& line = m_lines[loc.key];
        const QString fileKey = parseLine(Cp1252::decode(line.text)).name;
        line.text = Cp1252::encode(fileKey) + '=' + encodedValue;
        line.end = Crlf;
        return;
    }
    const Line keyLine{Cp1252::encode(cleanKey) + '=' + encodedValue, Crlf};
    if (loc.header >= 0) {
        m_lines.insert((loc.lastKey >= 0 ? loc.lastKey : loc.header) + 1, keyLine);
        return;
    }
    if (!m_lines.isEmpty() && m_lines.last().end.isEmpty())
        m_lines.last().end = Crlf;
    m_lines.append(Line{'[' + Cp1252::encode(cleanSection) + ']', Crlf});
    m_lines.append(keyLine);
}

QByteArray ProfileFile::toBytes() const {
    QByteArray out;
    for (const Line& line : m_lines)
        out += line.text + line.end;
    return out;
}

bool ProfileFile::save(QString* error) const {
    if (m_unreadable) {
        if (error)
            *error = QStringLiteral("the existing file cannot be read, so it is left as it is");
        return false;
    }
    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(toBytes()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString ReadProfileValue(const QString& section, const QString& key, const QString& defaultValue, int size,
                         const QString& file, int* length) {
    return ReadProfileValue(ProfileFile::load(file), section, key, defaultValue, size, length);
}

QString ReadProfileValue(const ProfileFile& profile, const QString& section, const QString& key,
                         const QString& defaultValue, int size, int* length) {
    std::optional<QString> found = profile.value(section, key);
    QString result;
    if (found) {
        result = *found;
    } else {
        result = defaultValue;
        while (result.endsWith(QLatin1Char(' ')))
            result.chop(1);
    }
    result.truncate(std::max(0, size - 1));
    if (length)
        *length = static_cast<int>(result.size());
    return result;
}

bool WriteProfileValue(const QString& section, const QString& key, const QString& value, const QString& file,
                       QString* error) {
    ProfileFile profile = ProfileFile::load(file);
    profile.setValue(section, key, value);
    return profile.save(error);
}
