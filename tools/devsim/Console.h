#pragma once

#include <QString>
#include <QStringView>

// The simulator's trace on standard output: one line per event, flushed at once, so that a reading process
// sees each line as soon as it happens.
namespace Console {

// Writes text as one line, as it is.
void print(const QString& text);

// Writes text as one line after the current UTC time, "HH:MM:SS.mmm ".
void printTimed(const QString& text);

// Text fit for a terminal: control characters and backslashes escaped, cut after maxShown characters with
// the full length noted.
QString printable(QStringView text, qsizetype maxShown = 200);

} // namespace Console
