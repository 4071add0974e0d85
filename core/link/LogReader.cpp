#include "core/link/LogReader.h"

#include "core/files/Codec.h"
#include "core/link/LogExport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace LogReader {

namespace {

constexpr qsizetype BlockSize = 1 << 20;

// The file's records one by one: lines, or for CSV lines joined while a quoted field goes on.
class Records {
public:
    Records(QFile& file, bool csv)
        : m_file(file)
        , m_csv(csv) {}

    // False at the end. *terminated is false for a last record without its line end.
    bool next(QByteArray& record, qint64& line, bool& terminated) {
        for (;;) {
            for (; m_scan < m_buffer.size(); ++m_scan) {
                const char c = m_buffer.at(m_scan);
                if (c == '"' && m_csv)
                    m_quoted = !m_quoted;
                else if (c == '\n') {
                    ++m_lines;
                    if (!m_quoted)
                        return take(m_scan + 1, record, line, terminated, true);
                }
            }
            if (m_atEnd) {
                if (m_pos >= m_buffer.size())
                    return false;
                return take(m_buffer.size(), record, line, terminated, false);
            }
            m_buffer.remove(0, m_pos);
            m_scan -= m_pos;
            m_pos = 0;
            const QByteArray block = m_file.read(BlockSize);
            if (block.isEmpty())
                m_atEnd = true;
            m_buffer += block;
        }
    }

    qint64 consumed() const { return m_consumed; }
    bool failed() const { return m_file.error() != QFileDevice::NoError; }

private:
    bool take(qsizetype end, QByteArray& record, qint64& line, bool& terminated, bool withEnd) {
        record = m_buffer.mid(m_pos, end - m_pos - (withEnd ? 1 : 0));
        if (record.endsWith('\r'))
            record.chop(1);
        m_consumed += end - m_pos;
        line = m_recordLine;
        m_recordLine = m_lines + 1;
        terminated = withEnd;
        m_pos = end;
        m_scan = end;
        m_quoted = false;
        return true;
    }

    QFile& m_file;
    bool m_csv;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_scan = 0;
    bool m_quoted = false;
    bool m_atEnd = false;
    qint64 m_lines = 0;
    qint64 m_recordLine = 1;
    qint64 m_consumed = 0;
};

int digits(const char* p, int n) {
    int value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
qint64 daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// "2026-12-07T13:05:09.007Z" as the writers write it, quickly; any other ISO form through Qt.
bool parseTime(QByteArrayView text, qint64* msecs) {
    const char* p = text.data();
    if (text.size() == 24 && p[4] == '-' && p[7] == '-' && p[10] == 'T' && p[13] == ':' && p[16] == ':' &&
        p[19] == '.' && p[23] == 'Z') {
        const int y = digits(p, 4), mo = digits(p + 5, 2), d = digits(p + 8, 2), h = digits(p + 11, 2),
                  mi = digits(p + 14, 2), s = digits(p + 17, 2), ms = digits(p + 20, 3);
        if (y >= 0 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h >= 0 && h < 24 && mi >= 0 && mi < 60 &&
            s >= 0 && s < 60 && ms >= 0) {
            *msecs = ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000LL + s * 1000LL + ms;
            return true;
        }
        return false;
    }
    const QDateTime time = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
    if (!time.isValid())
        return false;
    *msecs = time.toMSecsSinceEpoch();
    return true;
}

void setText(Row& row, const QString& text) {
    bool lossless = false;
    row.bytes = Cp1252::encode(text, &lossless);
    if (!lossless) {
        row.bytes = text.toUtf8();
        row.utf8 = true;
    }
}

bool parseDirection(QStringView text, Row& row) {
    if (text == u"Set")
        row.direction = MessageLog::Direction::Set;
    else if (text == u"Get")
        row.direction = MessageLog::Direction::Get;
    else
        return false;
    return true;
}

enum class Parsed { Row, Skip, Fault };

Parsed parseJson(const QByteArray& record, Row& row, Result& result) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(record, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.fault = Fault::NotJson;
        result.detail = error.error != QJsonParseError::NoError ? error.errorString() : QString();
        return Parsed::Fault;
    }
    const QJsonObject object = document.object();
    if (const QJsonValue version = object.value(QLatin1String("v"));
        !version.isUndefined() && version.toInt(-1) != 1) {
        result.fault = Fault::UnknownVersion;
        result.detail = QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("v"), version}}).toJson(QJsonDocument::Compact));
        return Parsed::Fault;
    }
    const QJsonValue direction = object.value(QLatin1String("direction"));
    if (direction.isUndefined() && object.contains(QLatin1String("outcome")))
        return Parsed::Skip; // a run's end object
    const QJsonValue time = object.value(QLatin1String("time_utc"));
    const QJsonValue text = object.value(QLatin1String("text"));
    if (!time.isString() || !direction.isString() || !text.isString() ||
        !parseTime(time.toString().toLatin1(), &row.utcMsecs) || !parseDirection(direction.toString(), row)) {
        result.fault = Fault::NotARow;
        return Parsed::Fault;
    }
    setText(row, text.toString());
    if (const QJsonValue latency = object.value(QLatin1String("latency_ms")); latency.isDouble())
        row.latencyMs = latency.toInt(MessageLog::NoLatency);
    row.notSent = object.value(QLatin1String("sent")).toBool(true) == false;
    row.notSentReason = object.value(QLatin1String("not_sent_reason")).toString();
    return Parsed::Row;
}

// RFC 4180 fields of one record, quotes removed.
bool csvFields(const QByteArray& record, QList<QByteArray>& fields) {
    fields.clear();
    QByteArray field;
    qsizetype i = 0;
    const qsizetype n = record.size();
    for (;;) {
        field.clear();
        if (i < n && record.at(i) == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return false;
                if (record.at(i) == '"') {
                    if (i + 1 < n && record.at(i + 1) == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += record.at(i++);
            }
            if (i < n && record.at(i) != ',')
                return false;
        } else {
            const qsizetype comma = record.indexOf(',', i);
            const qsizetype end = comma < 0 ? n : comma;
            field = record.mid(i, end - i);
            if (field.contains('"'))
                return false;
            i = end;
        }
        fields.append(field);
        if (i >= n)
            return true;
        ++i; // the comma
    }
}

Parsed parseCsv(const QByteArray& record, Row& row, Result& result) {
    static thread_local QList<QByteArray> fields;
    bool ok = csvFields(record, fields) && fields.size() == 6 && parseTime(fields[0], &row.utcMsecs) &&
              parseDirection(QString::fromLatin1(fields[1]), row);
    const std::optional<QString> text = ok ? LogExport::csvText(fields[2]) : std::nullopt;
    const std::optional<QString> reason = ok ? LogExport::csvText(fields[4]) : std::nullopt;
    ok = text && reason;
    if (ok) {
        setText(row, *text);
        row.notSent = fields[3] == "no";
        row.notSentReason = *reason;
        if (!fields[5].isEmpty())
            row.latencyMs = fields[5].toInt(&ok);
    }
    if (!ok) {
        result.fault = Fault::BadCsv;
        return Parsed::Fault;
    }
    return Parsed::Row;
}

} // namespace

Result read(const QString& path, const std::function<void(QList<Row>&&)>& batch,
            const std::function<void(qint64, qint64)>& progress, const std::atomic<bool>* cancel) {
    Result result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.fault = Fault::Unreadable;
        result.detail = file.errorString();
        return result;
    }
    const qint64 total = file.size();
    QByteArray start = file.peek(64);
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    const QByteArray header = LogExport::csvHeader().chopped(2);
    const bool csv = start.startsWith(header);
    if (!csv && !start.isEmpty() && !start.startsWith('{')) {
        result.fault = Fault::NotALog;
        result.line = 1;
        return result;
    }
    Records records(file, csv);
    QByteArray record;
    qint64 line = 0;
    bool terminated = true;
    bool first = true;
    QList<Row> rows;
    rows.reserve(BatchRows);
    int sinceProgress = 0;
    while (records.next(record, line, terminated)) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            break;
        }
        if (first) {
            first = false;
            if (record.startsWith("\xEF\xBB\xBF"))
                record.remove(0, 3);
            if (csv)
                continue; // the header
        }
        if (record.trimmed().isEmpty())
            continue;
        Row row;
        Result fault;
        const Parsed parsed = csv ? parseCsv(record, row, fault) : parseJson(record, row, fault);
        if (parsed == Parsed::Fault) {
            // Only the very end may be cut, by a kill in the middle of a write.
            if (!terminated) {
                result.cutLastLine = true;
                break;
            }
            result.fault = fault.fault;
            result.detail = fault.detail;
            result.line = line;
            break;
        }
        if (parsed == Parsed::Skip)
            continue;
        rows.append(std::move(row));
        ++result.rows;
        if (rows.size() >= BatchRows) {
            batch(std::move(rows));
            rows = {};
            rows.reserve(BatchRows);
        }
        if (progress && ++sinceProgress >= 4096) {
            sinceProgress = 0;
            progress(records.consumed(), total);
        }
    }
    if (records.failed() && result.fault == Fault::None) {
        result.fault = Fault::Unreadable;
        result.detail = file.errorString();
    }
    if (!rows.isEmpty())
        batch(std::move(rows));
    if (progress)
        progress(records.consumed(), total);
    return result;
}

void appendRows(MessageLog& log, const QList<Row>& rows) {
    for (const Row& row : rows) {
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(row.utcMsecs, Qt::UTC);
        const int at = row.utf8 ? log.appendText(row.direction, utc, QString::fromUtf8(row.bytes))
                                : log.append(row.direction, utc, row.bytes, row.latencyMs);
        if (row.notSent)
            log.markNotSent(at, row.notSentReason);
    }
}

} // namespace LogReader

// The reading thread, and the few batches it may have ahead of the log: beyond them it waits, so a file
// read faster than the log takes it does not pile up twice in memory.
struct LogFileLoader::Worker {
    static constexpr int MostPending = 4;
    std::atomic<bool> cancel = false;
    std::mutex mutex;
    std::condition_variable taken;
    int pending = 0;
    quint64 generation = 0;
    std::thread thread;

    ~Worker() {
        cancel = true;
        taken.notify_all();
        if (thread.joinable())
            thread.join();
    }
};

LogFileLoader::LogFileLoader(MessageLog* log, QObject* parent)
    : QObject(parent)
    , m_log(log) {}

LogFileLoader::~LogFileLoader() = default;

void LogFileLoader::cancel() {
    if (m_worker)
        m_worker->cancel = true;
}

void LogFileLoader::load(const QString& path) {
    static quint64 generations = 0;
    m_worker.reset();
    m_worker = std::make_unique<Worker>();
    m_worker->generation = ++generations;
    m_loading = true;
    Worker* worker = m_worker.get();
    const quint64 generation = worker->generation;
    // Stale reports of an earlier load are known by their generation (an address may come again).
    auto current = [this, generation] { return m_worker && m_worker->generation == generation; };
    worker->thread = std::thread([this, worker, current, path] {
        auto onBatch = [this, worker, current](QList<LogReader::Row>&& rows) {
            {
                std::unique_lock lock(worker->mutex);
                worker->taken.wait(lock, [worker] {
                    return worker->pending < Worker::MostPending || worker->cancel.load();
                });
                ++worker->pending;
            }
            QMetaObject::invokeMethod(
                this,
                [this, worker, current, rows = std::move(rows)] {
                    if (!current())
                        return;
                    LogReader::appendRows(*m_log, rows);
                    {
                        std::lock_guard lock(worker->mutex);
                        --worker->pending;
                    }
                    worker->taken.notify_one();
                },
                Qt::QueuedConnection);
        };
        auto onProgress = [this, current](qint64 done, qint64 total) {
            QMetaObject::invokeMethod(
                this,
                [this, current, done, total] {
                    if (current())
                        emit progressed(done, total);
                },
                Qt::QueuedConnection);
        };
        const LogReader::Result result = LogReader::read(path, onBatch, onProgress, &worker->cancel);
        // Queued after the last batch, so the log is whole when it is reported.
        QMetaObject::invokeMethod(
            this,
            [this, current, result] {
                if (!current())
                    return;
                m_loading = false;
                emit finished(result);
            },
            Qt::QueuedConnection);
    });
}
