#pragma once

#include "cli/RunOptions.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLatin1String>
#include <QObject>
#include <QTimer>

class MessageLog;
class StandardOutput;

// Prints the message log's rows, whole, from their stored bytes, whenever the event loop is about to wait,
// so they come out as they happen. With a fast device that is every few microseconds: rows that follow
// within PrintIntervalMs of a print are gathered and written together at its end, so printing does not slow
// down the run it reports. In JSON Lines a run command's row carries its verdict, so the rows from the
// command waiting for its reply on are held until the verdict is known.
class RowPrinter : public QObject {
    Q_OBJECT

public:
    static constexpr int PrintIntervalMs = 50;

    RowPrinter(MessageLog* log, RunOptions::Form form, StandardOutput* out, QObject* parent = nullptr);

    // Called whenever the event loop is about to wait.
    void idle();
    // Prints every row not printed yet and not held, and flushes; false once the output has failed.
    bool printNew();
    // Rows from this one on wait for their verdicts (JSON Lines only); -1 holds none.
    void holdFrom(int row) { m_holdFrom = row; }
    void setVerdict(int row, QLatin1String verdict) {
        if (m_form == RunOptions::Form::JsonLines)
            m_verdicts.insert(row, verdict);
    }
    // --reply-only: one whole reply, as one line.
    void printReply(const QByteArray& reply);

signals:
    void outputFailed();

private:
    QByteArray rowText(int row) const;

    MessageLog* m_log;
    RunOptions::Form m_form;
    StandardOutput* m_out;
    QTimer m_timer;
    QElapsedTimer m_lastPrint;
    QHash<int, QLatin1String> m_verdicts;
    int m_printed = 0;
    int m_holdFrom = -1;
};
