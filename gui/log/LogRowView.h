#pragma once

#include <QByteArray>
#include <QDialog>

class MessageLog;

// One log row whole, for rows too long or with too many lines for a cell: its time, direction, length,
// whether it was sent (and why not) and its reply latency; the text with its line breaks as they are; and
// a hex view of the bytes. Read-only; it keeps its own copy, so the log may change or be cleared meanwhile.
class LogRowView : public QDialog {
    Q_OBJECT

public:
    // More than this is cut, with a note: a text box of many megabytes would only stall the window.
    static constexpr qsizetype MostBytesShown = 1024 * 1024;

    LogRowView(const MessageLog& log, int row, QWidget* parent = nullptr);

    // Offset, sixteen bytes in hex, and the same as characters (a dot for a control character).
    static QString hexDump(const QByteArray& bytes);
    // The text with CR LF, CR and LF as line breaks, tabs as they are, other control characters as escapes.
    static QString readableText(const QString& text);
};
