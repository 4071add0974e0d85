#include "core/link/LogCapture.h"

#include "core/files/Platform.h"
#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <tuple>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QRegularExpression& captureNamePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^telvane_(\\d{8}T\\d{6}Z)_[A-Za-z0-9.-]+_[A-Za-z0-9.-]+_(\\d{3,})\\.jsonl$"));
    return pattern;
}

// A host or port as a file-name part: letters, digits, dot and minus; anything else (an IPv6 colon, a
// slash) becomes a minus, so the name stays one name and matches the pattern.
QString namePart(const QString& text) {
    QString part;
    for (const QChar c : text)
        part += c.isLetterOrNumber() && c.unicode() < 0x80 ? c : c == QLatin1Char('.') ? c : QLatin1Char('-');
    return part.isEmpty() ? QStringLiteral("-") : part;
}

bool writeToFile(QFile& file, const QByteArray& bytes, QString* error) {
    if (file.write(bytes) == bytes.size())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace

// The worker thread and what it shares with the GUI thread: the queue, under the mutex. Everything else
// here is the worker's alone while it runs.
struct LogCapture::Worker {
    struct Item {
        QByteArray lines;
        qint64 rows = 0;
        bool newFile = false; // begin a new file for host and port, started at `start`
        bool limits = false;  // take the size and number limits of `options`
        qint64 maxFileBytes = 0;
        int maxFiles = 0;
        QString host;
        QString port;
        QDateTime start;
    };

    LogCapture* owner;
    Options options;
    quint64 generation;

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Item> queue;
    qsizetype queuedBytes = 0;
    bool stopping = false;
    Status last; // the worker's status as last published, read by stop() after the join

    // The worker's own.
    QFile file;
    qint64 fileBytes = 0;
    int part = 0;
    Item target;
    bool failed = false;
    bool unsynced = false;
    QElapsedTimer sinceSync;
    Status status;
    std::thread thread;

    Worker(LogCapture* owner_, Options options_, quint64 generation_)
        : owner(owner_)
        , options(std::move(options_))
        , generation(generation_) {
        if (!options.write)
            options.write = writeToFile;
        thread = std::thread([this] { run(); });
    }

    ~Worker() { finish(); }

    void push(Item item) {
        {
            std::lock_guard lock(mutex);
            queue.push_back(std::move(item));
        }
        wake.notify_one();
    }

    // Writes what is queued, syncs and closes the file, and ends the thread.
    void finish() {
        if (!thread.joinable())
            return;
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        thread.join();
    }

    void run() {
        sinceSync.start();
        for (;;) {
            std::deque<Item> items;
            bool stop = false;
            {
                std::unique_lock lock(mutex);
                wake.wait_for(lock, std::chrono::milliseconds(SyncMs),
                              [this] { return stopping || !queue.empty(); });
                items.swap(queue);
                queuedBytes = 0;
                stop = stopping;
            }
            for (Item& item : items)
                process(item);
            if (unsynced && (stop || sinceSync.elapsed() >= SyncMs))
                sync();
            if (stop)
                break;
        }
        file.close();
        publish();
    }

    void process(Item& item) {
        if (item.limits) {
            options.maxFileBytes = item.maxFileBytes;
            options.maxFiles = item.maxFiles;
            return;
        }
        if (item.newFile) {
            target = item;
            part = 0;
            openNext();
            return;
        }
        if (failed || item.lines.isEmpty())
            return;
        QByteArrayView rest(item.lines);
        while (!rest.isEmpty() && !failed) {
            // Split at a line end, so every file holds whole lines; a line longer than a file goes whole.
            qsizetype take = rest.size();
            if (fileBytes + take > options.maxFileBytes) {
                const qsizetype room = options.maxFileBytes - fileBytes;
                const qsizetype end = room > 0 ? QByteArrayView(rest.first(room)).lastIndexOf('\n') : -1;
                if (end >= 0)
                    take = end + 1;
                else if (fileBytes > 0) {
                    openNext();
                    continue;
                }
            }
            write(rest.first(take).toByteArray());
            rest = rest.sliced(take);
            if (!rest.isEmpty() && !failed)
                openNext();
        }
        if (!failed) {
            status.written += item.rows;
            if (sinceSync.elapsed() >= SyncMs)
                publish();
        }
    }

    void write(const QByteArray& bytes) {
        QString error;
        if (!options.write(file, bytes, &error))
            return fail(error);
        fileBytes += bytes.size();
        unsynced = true;
    }

    void sync() {
#ifdef Q_OS_UNIX
        if (file.isOpen())
            ::fdatasync(file.handle());
#endif
        unsynced = false;
        sinceSync.restart();
        publish();
    }

    void openNext() {
        if (file.isOpen()) {
            sync();
            file.close();
        }
        if (failed)
            return;
        const QDir folder(options.folder);
        // A folder that cannot be made shows in the open's own reason.
        QDir().mkpath(options.folder);
        // A name taken already (a second start in the same second) gets the next part: nothing is replaced.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            ++part;
            file.setFileName(folder.filePath(fileName(target.start, target.host, target.port, part)));
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
                break;
            if (!file.exists())
                break;
        }
        if (!file.isOpen()) {
            status.file = file.fileName(); // where it could not write
            return fail(file.errorString());
        }
        fileBytes = 0;
        status.state = State::Running;
        status.file = file.fileName();
        prune();
        publish();
    }

    // Only files of the capture's own pattern go, oldest first, never the one being written.
    void prune() {
        QStringList files = captureFiles(options.folder);
        const QString current = QFileInfo(file.fileName()).fileName();
        files.removeAll(current);
        const qsizetype surplus = files.size() + 1 - std::max(options.maxFiles, 1);
        for (qsizetype i = 0; i < surplus; ++i)
            QFile::remove(QDir(options.folder).filePath(files.at(i)));
    }

    void fail(const QString& error) {
        failed = true;
        file.close();
        status.state = State::Failed;
        status.error = error;
        publish();
    }

    void publish() {
        const Status now = status;
        {
            std::lock_guard lock(mutex);
            last = now;
        }
        LogCapture* to = owner;
        const quint64 from = generation;
        QMetaObject::invokeMethod(
            owner,
            [to, from, now] {
                if (to->m_worker && to->m_worker->generation == from)
                    to->onWorkerStatus(now);
            },
            Qt::QueuedConnection);
    }
};

LogCapture::LogCapture(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options)) {}

LogCapture::~LogCapture() {
    stop();
}

QString LogCapture::fileName(const QDateTime& startUtc, const QString& host, const QString& port, int part) {
    return QStringLiteral("telvane_") + startUtc.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")) +
           QLatin1Char('_') + namePart(host) + QLatin1Char('_') + namePart(port) + QLatin1Char('_') +
           QStringLiteral("%1").arg(part, 3, 10, QLatin1Char('0')) + QStringLiteral(".jsonl");
}

bool LogCapture::isCaptureFileName(const QString& name) {
    return captureNamePattern().match(name).hasMatch();
}

QStringList LogCapture::captureFiles(const QString& folder) {
    struct Entry {
        QString time;
        int part;
        QString name;
    };
    QList<Entry> entries;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = captureNamePattern().match(name);
        if (match.hasMatch())
            entries.append({match.captured(1), match.captured(2).toInt(), name});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.time, a.part, a.name) < std::tie(b.time, b.part, b.name);
    });
    QStringList names;
    for (const Entry& entry : entries)
        names.append(entry.name);
    return names;
}

void LogCapture::start(MessageLog* log, const QString& host, const QString& port) {
    stop();
    if (!log)
        return;
    static quint64 generations = 0;
    m_log = log;
    m_next = log->size();
    m_host = host;
    m_port = port;
    m_status = {};
    m_status.state = State::Running;
    m_worker = std::make_unique<Worker>(this, m_options, ++generations);
    beginFile();
    // Once per frame, with the views; and before a clear takes the rows away.
    m_connections = {connect(log, &QAbstractItemModel::rowsInserted, this, &LogCapture::takeRows),
                     connect(log, &QAbstractItemModel::modelAboutToBeReset, this, &LogCapture::takeRows),
                     connect(log, &QAbstractItemModel::modelReset, this, [this] { m_next = 0; }),
                     connect(log, &QObject::destroyed, this, [this] {
                         m_log = nullptr;
                         stop();
                     })};
    emit statusChanged();
}

void LogCapture::setTarget(const QString& host, const QString& port) {
    if (!m_worker || (host == m_host && port == m_port))
        return;
    takeRows();
    m_host = host;
    m_port = port;
    beginFile();
}

void LogCapture::beginFile() {
    Worker::Item item;
    item.newFile = true;
    item.host = m_host;
    item.port = m_port;
    item.start = m_clock->now();
    m_worker->push(std::move(item));
}

void LogCapture::setOptions(const Options& options) {
    const bool otherFolder = QDir::cleanPath(options.folder) != QDir::cleanPath(m_options.folder);
    m_options.folder = options.folder;
    m_options.maxFileBytes = options.maxFileBytes;
    m_options.maxFiles = options.maxFiles;
    if (!m_worker)
        return;
    if (otherFolder) {
        MessageLog* log = m_log;
        const QString host = m_host, port = m_port;
        start(log, host, port);
        return;
    }
    Worker::Item item;
    item.limits = true;
    item.maxFileBytes = options.maxFileBytes;
    item.maxFiles = options.maxFiles;
    m_worker->push(std::move(item));
}

void LogCapture::takeRows() {
    if (!m_log || !m_worker)
        return;
    const int end = m_log->size();
    if (m_next >= end)
        return;
    if (m_status.state == State::Failed) {
        m_next = end;
        return;
    }
    QByteArray lines;
    for (int row = m_next; row < end; ++row)
        lines += LogExport::jsonLine(*m_log, row);
    const qint64 rows = end - m_next;
    m_next = end;
    enqueue(std::move(lines), rows);
}

void LogCapture::enqueue(QByteArray lines, qint64 rows) {
    bool dropped = false;
    {
        std::lock_guard lock(m_worker->mutex);
        // An empty queue always takes the batch, however large, so the capture never stalls for good.
        if (m_worker->queuedBytes > 0 && m_worker->queuedBytes + lines.size() > m_options.maxQueuedBytes) {
            dropped = true;
        } else {
            m_worker->queuedBytes += lines.size();
            Worker::Item item;
            item.lines = std::move(lines);
            item.rows = rows;
            m_worker->queue.push_back(std::move(item));
        }
    }
    if (dropped) {
        m_status.dropped += rows;
        emit statusChanged();
        return;
    }
    m_worker->wake.notify_one();
}

void LogCapture::writeLine(const QByteArray& line) {
    if (!m_worker || m_status.state == State::Failed)
        return;
    takeRows();
    enqueue(line, 0);
}

void LogCapture::stop() {
    if (!m_worker)
        return;
    takeRows();
    for (const QMetaObject::Connection& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_log = nullptr;
    m_worker->finish(); // every queued row is on disk now
    const qint64 dropped = m_status.dropped;
    m_status = m_worker->last;
    m_status.dropped = dropped;
    if (m_status.state == State::Running)
        m_status.state = State::Off;
    m_worker.reset();
    emit statusChanged();
}

void LogCapture::onWorkerStatus(const Status& status) {
    const qint64 dropped = m_status.dropped;
    m_status = status;
    m_status.dropped = dropped;
    emit statusChanged();
}
