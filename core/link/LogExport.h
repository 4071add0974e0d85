#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class MessageLog;

// The message log as text for others: the clipboard (one line per row, control characters escaped so a row
// stays one line) and files (CSV or JSON Lines, UTF-8, every row whole).
namespace LogExport {

enum class Format { Csv, JsonLines };

// Control characters as escapes: \r, \n, \t, and \xNN for the others (C0, DEL and the C1 range).
QString escapeControls(QStringView text);

// "time<TAB>direction<TAB>text" per row, in the order given, joined by line feeds.
QString copyText(const MessageLog& log, const QList<int>& rows);

// The first line of a CSV file, and one row as CSV (RFC 4180, CRLF-terminated): UTC date-time ISO 8601 with
// milliseconds, direction, text, whether a command was sent (with the reason when it was not), and a reply's
// latency in milliseconds.
QByteArray csvHeader();
QByteArray csvLine(const MessageLog& log, int row);

// The version of the JSON Lines schema (docs/jsonl-schema.md) that every line carries as "v".
constexpr int JsonLinesVersion = 1;
// One row as one JSON Lines line of that schema, the same for the window's export, the capture and
// telvane-run; verdict (a run command's, such as "ok") only for a row that has one.
QByteArray jsonLine(const MessageLog& log, int row, QLatin1String verdict = {});

// ".jsonl" and ".json" give JSON Lines, anything else CSV.
Format formatForPath(const QString& path);

// Writes every row of the log into the file in one replace: on failure the old file stays whole and *error
// says why.
bool save(const MessageLog& log, const QString& path, Format format, QString* error = nullptr);

} // namespace LogExport
