#pragma once

#include "core/link/MessageLog.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

// The message log as text for others: the clipboard (one line per row, control characters escaped so a row
// stays one line) and files (CSV or JSON Lines, UTF-8, every row whole).
namespace LogExport {

enum class Format { Csv, JsonLines };

// The one escape rule for a text on one line (a cell, a copied row, find, CSV, telvane-run's plain output):
// a backslash as \\, CR, LF and TAB as \r, \n, \t, and the other control characters (C0, DEL and the C1
// range) as \xNN, so every text can be read back from what is shown.
QString escapeControls(QStringView text);

// Told how many rows are done; returns false to stop.
using Progress = std::function<bool(qint64 done)>;

// "time<TAB>direction<TAB>text" per row, in the order given, joined by line feeds. A null string when
// progress stopped it.
QString copyText(const LogRows& log, const QList<int>& rows, const Progress& progress = {});

// The first line of a CSV file, and one row as CSV (RFC 4180, CRLF-terminated): UTC date-time ISO 8601 with
// milliseconds, direction, text, whether a command was sent (with the reason when it was not), and a reply's
// latency in milliseconds.
QByteArray csvHeader();
// CSV is for spreadsheets: text fields are escaped by the one rule, and one that a spreadsheet would take
// for a formula (it begins with = + - @, a tab or a CR) gets a leading apostrophe. JSON Lines is the exact
// export: every byte of a row can be read back from it.
QByteArray csvLine(const LogRows& log, int row);

// The version of the JSON Lines schema (docs/jsonl-schema.md) that every line carries as "v".
constexpr int JsonLinesVersion = 1;
// One row as one JSON Lines line of that schema, the same for the window's export, the capture and
// telvane-run; verdict (a run command's, such as "ok") only for a row that has one.
QByteArray jsonLine(const LogRows& log, int row, QLatin1String verdict = {});

// ".jsonl" and ".json" give JSON Lines, anything else CSV.
Format formatForPath(const QString& path);

// Adds the suffix of the format to a name that has none (".csv", ".jsonl").
QString withSuffix(const QString& path, Format format);

// Writes the rows of the log (only those listed, ascending, when `only` is given) into the file in one
// replace: on failure, or when progress stops it, the old file stays whole (or none is left) and *error
// says why (empty when stopped).
bool save(const LogRows& log, const QString& path, Format format, QString* error = nullptr,
          const std::vector<int>* only = nullptr, const Progress& progress = {});

} // namespace LogExport
