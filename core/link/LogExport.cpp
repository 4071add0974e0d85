#include "core/link/LogExport.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace LogExport {

namespace {

bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void appendHex(QString& out, char16_t c) {
    static const char digits[] = "0123456789abcdef";
    out += QLatin1String("\\x");
    out += QLatin1Char(digits[(c >> 4) & 0xF]);
    out += QLatin1Char(digits[c & 0xF]);
}

QString isoTime(const LogRows& log, int row) {
    return log.utcTime(row).toString(Qt::ISODateWithMs);
}

// For a spreadsheet: control characters escaped (NUL and line breaks upset importers), and a field that
// a spreadsheet would take for a formula (= + - @, or a tab or CR before one) made text by an apostrophe.
QByteArray csvField(const QString& text) {
    QString escaped = escapeControls(text);
    if (!text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front()))
        escaped.prepend(QLatin1Char('\''));
    QByteArray field = escaped.toUtf8();
    if (field.contains('"') || field.contains(',')) {
        field.replace("\"", "\"\"");
        field.prepend('"');
        field.append('"');
    }
    return field;
}

QByteArray jsonString(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
            else
                out += ch;
        }
    }
    out += QLatin1Char('"');
    return out.toUtf8();
}

} // namespace

QString escapeControls(QStringView text) {
    // Most texts need no escape: they are copied whole.
    const auto needsEscape = [](QChar ch) { return ch == QLatin1Char('\\') || isControl(ch.unicode()); };
    if (std::none_of(text.begin(), text.end(), needsEscape))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == '\\')
            out += QLatin1String("\\\\");
        else if (!isControl(c))
            out += ch;
        else if (c == '\r')
            out += QLatin1String("\\r");
        else if (c == '\n')
            out += QLatin1String("\\n");
        else if (c == '\t')
            out += QLatin1String("\\t");
        else
            appendHex(out, c);
    }
    return out;
}

QString copyText(const LogRows& log, const QList<int>& rows, const Progress& progress) {
    QString out;
    qint64 done = 0;
    for (const int row : rows) {
        if (progress && (++done & 1023) == 0 && !progress(done))
            return {};
        if (row < 0 || row >= log.size())
            continue;
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        out += MessageLog::formatTime(log.utcTime(row).time()) + QLatin1Char('\t') +
               MessageLog::directionText(log.direction(row)) + QLatin1Char('\t') +
               escapeControls(log.text(row));
    }
    return out;
}

QByteArray csvHeader() {
    return QByteArrayLiteral("time_utc,direction,text,sent,not_sent_reason,latency_ms\r\n");
}

QByteArray csvLine(const LogRows& log, int row) {
    const bool set = log.direction(row) == MessageLog::Direction::Set;
    const int latency = log.latencyMs(row);
    QByteArray line = isoTime(log, row).toLatin1();
    line +=
        ',' + MessageLog::directionText(log.direction(row)).toLatin1() + ',' + csvField(log.text(row)) + ',';
    if (set)
        line += log.notSent(row) ? "no" : "yes";
    line += ',' + csvField(log.notSentReason(row)) + ',';
    if (latency >= 0)
        line += QByteArray::number(latency);
    return line + "\r\n";
}

QByteArray jsonLine(const LogRows& log, int row, QLatin1String verdict) {
    const bool set = log.direction(row) == MessageLog::Direction::Set;
    QByteArray line = "{\"v\":" + QByteArray::number(JsonLinesVersion) + ",\"time_utc\":\"" +
                      isoTime(log, row).toLatin1() + "\",\"direction\":\"" +
                      MessageLog::directionText(log.direction(row)).toLatin1() +
                      "\",\"text\":" + jsonString(log.text(row));
    if (set)
        line += log.notSent(row) ? ",\"sent\":false,\"not_sent_reason\":" + jsonString(log.notSentReason(row))
                                 : QByteArray(",\"sent\":true");
    if (log.latencyMs(row) >= 0)
        line += ",\"latency_ms\":" + QByteArray::number(log.latencyMs(row));
    if (!verdict.isEmpty())
        line += ",\"verdict\":\"" + QByteArray(verdict.data(), verdict.size()) + '"';
    return line + "}\n";
}

Format formatForPath(const QString& path) {
    return path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive) ||
                   path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)
               ? Format::JsonLines
               : Format::Csv;
}

QString withSuffix(const QString& path, Format format) {
    // A folder's path has no name to add to; it fails to save as it is.
    const QFileInfo info(path);
    if (info.fileName().isEmpty() || !info.suffix().isEmpty() || info.isDir())
        return path;
    return path + (format == Format::Csv ? QLatin1String(".csv") : QLatin1String(".jsonl"));
}

bool save(const LogRows& log, const QString& path, Format format, QString* error,
          const std::vector<int>* only, const Progress& progress) {
    if (error)
        error->clear();
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered: a short write (full disk) shows in the write, not unseen at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Written in blocks: a log of a million rows needs neither a million writes nor its whole text at once.
    QByteArray block = format == Format::Csv ? csvHeader() : QByteArray();
    bool ok = true;
    bool stopped = false;
    const qint64 count = only ? qint64(only->size()) : log.size();
    for (qint64 i = 0; i < count && ok; ++i) {
        const int row = only ? (*only)[std::size_t(i)] : int(i);
        block += format == Format::Csv ? csvLine(log, row) : jsonLine(log, row);
        if (block.size() >= 1 << 16) {
            ok = file.write(block) == block.size();
            block.clear();
            if (ok && progress && !progress(i + 1))
                stopped = true;
            ok = ok && !stopped;
        }
    }
    ok = ok && file.write(block) == block.size() && file.commit();
    if (!ok) {
        if (error)
            *error = stopped ? QString() : file.errorString();
        file.cancelWriting();
    }
    return ok;
}

} // namespace LogExport
