#pragma once

#include "core/files/Platform.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class MessageLog;
class QFile;

// The message log written to files as it grows, one JSON Lines row per log row (the export's own lines), so
// a crash or a kill loses at most the last moments. The GUI thread formats each frame's new rows and hands
// them over through a bounded queue; a worker thread owns the file, writes every batch to the system at
// once and syncs it to the disk every SyncMs, starts a new file at the size limit and removes the oldest
// capture files beyond the number limit. A fault (the folder or the file cannot be written, the disk is
// full) stops the capture and is reported; a disk slower than the data drops whole batches, counted. The
// log, the link and runs never wait for it.
//
// To capture a session's log, e.g. in a program without a window:
//     LogCapture capture({folder});
//     capture.start(session.log(), host, port);
//     ... run ...
//     capture.stop(); // writes the last rows and closes the file
class LogCapture : public QObject {
    Q_OBJECT

public:
    // A kill loses the rows of the frame not yet handed over (MessageLog::FrameMs) and of the batch being
    // written; a power cut also those written in the last SyncMs.
    static constexpr int SyncMs = 500;

    // Writes bytes to the file; false with *error on failure. Tests replace it to fake a full or slow disk.
    using WriteFunction = std::function<bool(QFile& file, const QByteArray& bytes, QString* error)>;

    struct Options {
        QString folder;
        qint64 maxFileBytes = 100LL * 1024 * 1024;
        int maxFiles = 20;
        // Formatted rows waiting for the disk beyond this are dropped, not kept: memory stays bounded.
        qsizetype maxQueuedBytes = 32 * 1024 * 1024;
        WriteFunction write = {}; // empty: the file's own write
    };

    enum class State { Off, Running, Failed };
    struct Status {
        State state = State::Off;
        QString file;       // the file being written (path), or the last one
        QString error;      // why it failed, for Failed
        qint64 written = 0; // rows written to the system
        qint64 dropped = 0; // rows dropped because the disk was slower than the data
    };

    explicit LogCapture(Options options, QObject* parent = nullptr);
    ~LogCapture() override;

    // Starts writing the log's rows from now on (rows already in it are not written) into a new file for
    // this host and port. A running capture is stopped first.
    void start(MessageLog* log, const QString& host, const QString& port);
    // The clock that names the files (the system's unless given).
    void setClock(const UtcClock* clock) { m_clock = clock ? clock : &UtcClock::system(); }
    // The link now goes to another device: its rows go into a new file, named for it. Nothing for the same.
    void setTarget(const QString& host, const QString& port);
    // Hands over the rows not written yet, waits until they are on disk, closes the file.
    void stop();
    // New limits apply to the running capture at once; another folder starts a new file there.
    void setOptions(const Options& options);
    // Adds one line of the schema that is no log row (telvane-run's end object); it ends with '\n'.
    void writeLine(const QByteArray& line);

    bool running() const { return m_log != nullptr; }
    Status status() const { return m_status; }
    const Options& options() const { return m_options; }

    // "telvane_20261207T130509Z_host_6060_001.jsonl": the capture start in UTC, the target, the part.
    static QString fileName(const QDateTime& startUtc, const QString& host, const QString& port, int part);
    // Whether a file name is one of the capture's own (only those are ever removed).
    static bool isCaptureFileName(const QString& name);
    // The capture files in a folder, oldest first.
    static QStringList captureFiles(const QString& folder);

signals:
    // Every change of the state, the file or the count of dropped rows.
    void statusChanged();

private:
    struct Worker;
    void takeRows();
    // Queues a new file for the current host and port, started now.
    void beginFile();
    void enqueue(QByteArray lines, qint64 rows);
    void onWorkerStatus(const Status& status);

    Options m_options;
    const UtcClock* m_clock = &UtcClock::system();
    MessageLog* m_log = nullptr;
    int m_next = 0; // the first row of the log not handed over yet
    QString m_host;
    QString m_port;
    Status m_status;
    std::unique_ptr<Worker> m_worker;
    QList<QMetaObject::Connection> m_connections;
};
