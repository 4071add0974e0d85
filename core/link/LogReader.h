#pragma once

#include "core/link/MessageLog.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// Reads a log file back into rows: a capture, or a log saved as JSON Lines or as CSV. The reader takes
// exactly what the writers write (and JSON Lines written before the version field); end objects and
// unknown fields are passed over, a cut last line (a kill during a write) is skipped, and anything else
// that is not a row stops the reading with the line that failed.
namespace LogReader {

struct Row {
    qint64 utcMsecs = 0;
    MessageLog::Direction direction = MessageLog::Direction::Get;
    QByteArray bytes; // Windows-1252, or UTF-8 when utf8 (a command that code page cannot carry)
    bool utf8 = false;
    int latencyMs = MessageLog::NoLatency;
    bool notSent = false;
    QString notSentReason;
};

enum class Fault {
    None,
    Unreadable,     // the file cannot be opened or read
    NotALog,        // neither JSON Lines nor the log's CSV
    NotJson,        // a line that is no JSON object
    NotARow,        // an object without a time, a direction or a text
    UnknownVersion, // a version this program does not know
    BadCsv,         // a CSV record that is not one of the log's
};

struct Result {
    Fault fault = Fault::None;
    qint64 line = 0; // the line that failed, from 1
    QString detail;  // the file's error for Unreadable, the JSON error, the version
    qint64 rows = 0; // rows read
    bool cutLastLine = false;
    bool cancelled = false;
    bool ok() const { return fault == Fault::None && !cancelled; }
};

// Rows handed over in batches of at most this many.
constexpr int BatchRows = 20000;

// Reads the file, handing each batch of rows to `batch` and the bytes read so far to `progress`; stops
// early when `cancel` becomes true.
Result read(const QString& path, const std::function<void(QList<Row>&&)>& batch,
            const std::function<void(qint64 done, qint64 total)>& progress = {},
            const std::atomic<bool>* cancel = nullptr);

// Appends the rows to the log as the log itself would have stored them.
void appendRows(MessageLog& log, const QList<Row>& rows);

} // namespace LogReader

// Reads a file into a log in a thread of its own: the batches reach the log on its thread, a few at a time,
// so the window goes on while millions of rows come in.
class LogFileLoader : public QObject {
    Q_OBJECT

public:
    explicit LogFileLoader(MessageLog* log, QObject* parent = nullptr);
    ~LogFileLoader() override;

    void load(const QString& path);
    void cancel();
    bool loading() const { return m_loading; }

signals:
    void progressed(qint64 done, qint64 total);
    void finished(const LogReader::Result& result);

private:
    struct Worker;
    MessageLog* m_log;
    std::unique_ptr<Worker> m_worker;
    bool m_loading = false;
};
