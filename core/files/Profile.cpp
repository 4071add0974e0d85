#include "core/files/Profile.h"

#include "core/files/Codec.h"
#include "core/texts/Texts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

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
    QString name; // section name or key
};

bool isBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

QByteArray trimmedBlankBytes(const QByteArray& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlankByte(s[begin]))
        ++begin;
    while (end > begin && isBlankByte(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// The lines are held as Windows-1252 bytes, or as UTF-8 for a file with a byte-order mark.
QString decodedText(QByteArrayView bytes, bool utf8) {
    return utf8 ? QString::fromUtf8(bytes) : Cp1252::decode(bytes);
}

// Reads a line's kind and name without decoding its value, which can be megabytes long. The marks are
// ASCII, and both encodings keep ASCII bytes as they are.
Parsed parseLine(const QByteArray& line, bool utf8) {
    Parsed p;
    qsizetype i = 0;
    while (i < line.size() && isBlankByte(line[i]))
        ++i;
    if (i == line.size())
        return p;
    if (line[i] == '[') {
        p.kind = Kind::Header;
        const qsizetype close = line.indexOf(']', i + 1);
        p.name = decodedText(trimmedBlankBytes(line.mid(i + 1, close < 0 ? -1 : close - i - 1)), utf8);
        return p;
    }
    if (line[i] == ';') {
        p.kind = Kind::Comment;
        return p;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return p;
    p.kind = Kind::Key;
    p.name = decodedText(trimmedBlankBytes(line.left(eq)), utf8);
    return p;
}

// Sections and keys match case-insensitively: the index holds their case-folded names.
QString folded(const QString& name) {
    return name.toCaseFolded();
}

QString withoutLineBreaks(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

const QByteArray Crlf = QByteArrayLiteral("\r\n");

const QByteArray Utf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray Utf16LeMark = QByteArrayLiteral("\xFF\xFE");
const QByteArray Utf16BeMark = QByteArrayLiteral("\xFE\xFF");

} // namespace

QString ProfileFile::decoded(QByteArrayView bytes) const {
    return decodedText(bytes, m_encoding != Encoding::Cp1252);
}

QByteArray ProfileFile::encoded(const QString& text) const {
    return m_encoding == Encoding::Cp1252 ? Cp1252::encode(text) : text.toUtf8();
}

ProfileFile ProfileFile::load(const QString& path, qint64 maxBytes) {
    ProfileFile profile;
    profile.m_path = path;
    auto refuse = [&](const QString& reason) {
        profile.m_lines.clear();
        profile.m_sections.clear();
        profile.m_exists = false;
        profile.m_unreadable = true;
        profile.m_refusal = reason;
        return std::move(profile);
    };
    // Opening a pipe would wait for a writer, and a device can be endless: only regular files are read.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(GetText(TextId::NotARegularFile));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        profile.m_unreadable = file.exists();
        if (profile.m_unreadable)
            profile.m_refusal = file.errorString();
        return profile;
    }
    const QString tooLarge = filledText(TextId::FileTooLarge, {QString::number(maxBytes >> 20)});
    if (file.size() > maxBytes)
        return refuse(tooLarge);
    profile.m_exists = true;
    Section* current = nullptr; // the section the lines belong to, if it is the first of its name
    auto parse = [&](QByteArrayView data) {
        const bool utf8 = profile.m_encoding != Encoding::Cp1252;
        qsizetype start = 0;
        while (start < data.size()) {
            qsizetype i = start;
            while (i < data.size() && data[i] != '\r' && data[i] != '\n')
                ++i;
            Line line{data.sliced(start, i - start).toByteArray(), {}};
            if (i < data.size()) {
                const bool crlf = data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
                line.end = data.sliced(i, crlf ? 2 : 1).toByteArray();
                i += crlf ? 2 : 1;
            }
            start = i;
            const Parsed p = parseLine(line.text, utf8);
            const auto at = profile.m_lines.insert(profile.m_lines.end(), std::move(line));
            if (p.kind == Kind::Header) {
                const QString name = folded(p.name);
                current = profile.m_sections.contains(name)
                              ? nullptr
                              : &profile.m_sections.insert(name, Section{at, at, {}}).value();
            } else if (current && p.kind == Kind::Key) {
                current->lastKey = at;
                const QString key = folded(p.name);
                if (!current->keys.contains(key))
                    current->keys.insert(key, at);
            }
        }
    };
    const QByteArray head = file.peek(3);
    if (head.startsWith(Utf16LeMark) || head.startsWith(Utf16BeMark)) {
        const bool little = head.startsWith(Utf16LeMark);
        profile.m_encoding = little ? Encoding::Utf16Le : Encoding::Utf16Be;
        profile.m_byteOrderMark = head.left(2);
        const QByteArray data = file.read(maxBytes + 1); // a file that grows meanwhile is still bounded
        if (data.size() > maxBytes)
            return refuse(tooLarge);
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        parse(QString(decoder(QByteArrayView(data).sliced(2))).toUtf8());
        return profile;
    }
    if (head.startsWith(Utf8Mark)) {
        profile.m_encoding = Encoding::Utf8;
        profile.m_byteOrderMark = file.read(Utf8Mark.size());
    }
    // Line by line, so the file's text is held once (in its lines), not twice; each piece read ends at a LF,
    // so a CR LF pair is never split between two.
    qint64 total = profile.m_byteOrderMark.size();
    while (!file.atEnd()) {
        const QByteArray piece = file.readLine();
        if (piece.isEmpty())
            break;
        total += piece.size();
        if (total > maxBytes) // a file that grows meanwhile is still bounded
            return refuse(tooLarge);
        parse(piece);
    }
    return profile;
}

ProfileFile::Section* ProfileFile::section(const QString& name) {
    const auto found = m_sections.find(folded(trimmedSpaces(name)));
    return found == m_sections.end() ? nullptr : &found.value();
}

const ProfileFile::Section* ProfileFile::section(const QString& name) const {
    const auto found = m_sections.constFind(folded(trimmedSpaces(name)));
    return found == m_sections.cend() ? nullptr : &found.value();
}

std::optional<QString> ProfileFile::value(const QString& sectionName, const QString& key) const {
    const std::optional<QByteArrayView> raw = rawValue(sectionName, key);
    return raw ? std::optional<QString>(decoded(*raw)) : std::nullopt;
}

const QByteArray* ProfileFile::keyLine(const QString& sectionName, const QString& key) const {
    const Section* s = section(sectionName);
    if (!s)
        return nullptr;
    const auto found = s->keys.constFind(folded(trimmedSpaces(key)));
    return found == s->keys.cend() ? nullptr : &found.value()->text;
}

std::optional<QByteArrayView> ProfileFile::rawValue(const QString& sectionName, const QString& key) const {
    const QByteArray* line = keyLine(sectionName, key);
    if (!line)
        return std::nullopt;
    const QByteArray& text = *line;
    QByteArrayView v = QByteArrayView(text).sliced(text.indexOf('=') + 1);
    while (!v.isEmpty() && isBlankByte(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlankByte(v.back()))
        v.chop(1);
    // The quote marks are ASCII, so the pair is found on the bytes as on the text.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return v;
}

std::optional<QByteArray> ProfileFile::line(const QString& sectionName, const QString& key) const {
    const QByteArray* text = keyLine(sectionName, key);
    return text ? std::optional<QByteArray>(*text) : std::nullopt;
}

bool ProfileFile::contains(const QString& sectionName, const QString& key) const {
    return keyLine(sectionName, key) != nullptr;
}

ProfileFile::Lines::iterator ProfileFile::insertLine(Lines::iterator before, Line line) {
    // Windows ends a last line that has no line end before it writes behind it.
    if (before != m_lines.begin() && std::prev(before)->end.isEmpty())
        std::prev(before)->end = Crlf;
    return m_lines.insert(before, std::move(line));
}

void ProfileFile::setValue(const QString& sectionName, const QString& key, const QString& value) {
    const QString cleanSection = withoutLineBreaks(trimmedSpaces(sectionName));
    const QString cleanKey = withoutLineBreaks(trimmedSpaces(key));
    const QByteArray encodedValue = encoded(withoutLineBreaks(value));
    Line keyLine{encoded(cleanKey) + '=' + encodedValue, Crlf};
    Section* s = section(cleanSection);
    if (!s) {
        const auto header = insertLine(m_lines.end(), Line{'[' + encoded(cleanSection) + ']', Crlf});
        const auto added = insertLine(m_lines.end(), std::move(keyLine));
        m_sections.insert(folded(cleanSection), Section{header, added, {{folded(cleanKey), added}}});
        return;
    }
    if (const auto found = s->keys.constFind(folded(cleanKey)); found != s->keys.cend()) {
        // Keep the file's own spelling of the key; only the value changes.
        Line& line = *found.value();
        line.text = trimmedBlankBytes(line.text.left(line.text.indexOf('='))) + '=' + encodedValue;
        line.end = Crlf;
        return;
    }
    const auto added = insertLine(std::next(s->lastKey), std::move(keyLine));
    s->lastKey = added;
    s->keys.insert(folded(cleanKey), added);
}

QByteArray ProfileFile::toBytes() const {
    qsizetype size = 0;
    for (const Line& line : m_lines)
        size += line.text.size() + line.end.size();
    QByteArray out;
    out.reserve(size);
    for (const Line& line : m_lines)
        out.append(line.text).append(line.end);
    if (m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be) {
        QStringEncoder encoder(m_encoding == Encoding::Utf16Le ? QStringEncoder::Utf16LE
                                                               : QStringEncoder::Utf16BE);
        out = encoder(QString::fromUtf8(out));
    }
    return m_byteOrderMark + out;
}

bool ProfileFile::save(QString* error) const {
    if (m_unreadable) {
        if (error)
            *error = m_refusal.isEmpty()
                         ? GetText(TextId::ExistingFileUnreadable)
                         : m_refusal + QStringLiteral("; ") + GetText(TextId::ExistingFileUnreadable);
        return false;
    }
    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    const QByteArray bytes = toBytes();
    // A short write (a full disk, a size limit) must not be committed: it would replace the file with a
    // truncated one. Unbuffered, so the write itself reports it; a buffered one fails unseen at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString ProfileLines::name(const QString& section, const QString& key) {
    return folded(trimmedSpaces(section)) + QLatin1Char('\n') + folded(trimmedSpaces(key));
}

void ProfileLines::record(const ProfileFile& profile, const QString& section, const QString& key) {
    const std::optional<QByteArray> line = profile.line(section, key);
    m_digests.insert(name(section, key),
                     line ? QCryptographicHash::hash(*line, QCryptographicHash::Sha1) : QByteArray());
}

bool ProfileLines::unchanged(const ProfileFile& profile, const QString& section, const QString& key) const {
    const std::optional<QByteArray> line = profile.line(section, key);
    const QByteArray now = line ? QCryptographicHash::hash(*line, QCryptographicHash::Sha1) : QByteArray();
    const auto recorded = m_digests.constFind(name(section, key));
    return recorded != m_digests.cend() && recorded.value() == now;
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
