#include "core/link/MessageLog.h"

#include "core/files/Codec.h"
#include "core/files/Platform.h"
#include "core/link/LogExport.h"
#include "core/texts/Texts.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <vector>

namespace {
constexpr qsizetype ChunkSize = 256 * 1024;
// A row this long or longer gets a chunk of its own; so a shared chunk ends with at most this much unused.
constexpr qsizetype OwnChunkFrom = ChunkSize / 16;
constexpr qint64 MsecsPerDay = 24 * 60 * 60 * 1000;

constexpr std::array<TextId, MessageLog::ColumnCount> HeaderIds = {
    TextId::TimeColumn, TextId::ModeColumn, TextId::ParameterColumn, TextId::LatencyColumn};

// A byte whose character a cell shows escaped: C0, backslash, DEL, and the five bytes Windows-1252 leaves
// undefined (they decode to C1 controls).
constexpr std::array<bool, 256> EscapedBytes = [] {
    std::array<bool, 256> escaped{};
    for (int b = 0; b < 0x20; ++b)
        escaped[std::size_t(b)] = true;
    for (const int b : {int('\\'), 0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D})
        escaped[std::size_t(b)] = true;
    return escaped;
}();
} // namespace

// The rows and their bytes. Row records sit in blocks that never move and are found through a directory
// sized for every row an int can number, so appending never relocates what a reader may be looking at; the
// row count is published (release) after a row is written, and read (acquire) before rows are.
struct MessageLog::Store {
    // 24 bytes: the length shares its word with the flags.
    struct Row {
        const char* data = nullptr;
        qint64 utcMsecs = 0; // since the epoch
        quint32 bits = 0;    // length in the low bits, flags above
        qint32 latencyMs = NoLatency;
    };
    static constexpr int LengthBits = 28;
    static constexpr quint32 LengthMask = (1u << LengthBits) - 1;
    static constexpr quint32 GetFlag = 1u << 28, NotSentFlag = 1u << 29, Utf8Flag = 1u << 30,
                             EscapedFlag = 1u << 31;
    static constexpr int BlockShift = 16;
    static constexpr int BlockRows = 1 << BlockShift;
    static constexpr int Blocks = (std::numeric_limits<int>::max() >> BlockShift) + 1;

    std::unique_ptr<Row*[]> directory = std::make_unique<Row*[]>(Blocks);
    std::vector<std::unique_ptr<Row[]>> blocks;
    std::vector<std::unique_ptr<char[]>> chunks;
    char* shared = nullptr;
    qsizetype sharedUsed = 0;
    std::atomic<int> count{0};
    mutable QMutex reasonsLock; // failed sends are rare: their reasons are kept aside
    QHash<int, QString> reasons;

    const Row& row(int i) const { return directory[i >> BlockShift][i & (BlockRows - 1)]; }
    quint32 bits(int i) const {
        // A row's flags may change after it is published (marked not sent).
        return std::atomic_ref<quint32>(const_cast<quint32&>(row(i).bits)).load(std::memory_order_relaxed);
    }
    qsizetype length(int i) const { return bits(i) & LengthMask; }
    QByteArrayView view(int i) const { return QByteArrayView(row(i).data, length(i)); }
    QString decode(int i, qsizetype maxBytes) const {
        const QByteArrayView bytes = view(i);
        // A UTF-8 row is never cut: its characters may span bytes, and such rows are short commands.
        if (bits(i) & Utf8Flag)
            return QString::fromUtf8(bytes);
        return Cp1252::decode(bytes.first(std::min(bytes.size(), maxBytes)));
    }
    QString reason(int i) const {
        const QMutexLocker lock(&reasonsLock);
        return reasons.value(i);
    }

    char* place(qsizetype size) {
        if (size >= OwnChunkFrom) {
            chunks.push_back(std::make_unique_for_overwrite<char[]>(std::size_t(size)));
            return chunks.back().get();
        }
        if (!shared || sharedUsed + size > ChunkSize) {
            chunks.push_back(std::make_unique_for_overwrite<char[]>(std::size_t(ChunkSize)));
            shared = chunks.back().get();
            sharedUsed = 0;
        }
        char* at = shared + sharedUsed;
        sharedUsed += size;
        return at;
    }

    int push(Row row, QByteArrayView bytes) {
        const int at = count.load(std::memory_order_relaxed);
        if ((at & (BlockRows - 1)) == 0) {
            blocks.push_back(std::make_unique_for_overwrite<Row[]>(std::size_t(BlockRows)));
            directory[at >> BlockShift] = blocks.back().get();
        }
        char* data = place(bytes.size());
        if (!bytes.isEmpty())
            std::memcpy(data, bytes.data(), std::size_t(bytes.size()));
        row.data = data;
        row.bits |= quint32(bytes.size());
        if (!(row.bits & Utf8Flag) &&
            std::any_of(bytes.begin(), bytes.end(), [](char b) { return EscapedBytes[quint8(b)]; }))
            row.bits |= EscapedFlag;
        directory[at >> BlockShift][at & (BlockRows - 1)] = row;
        count.store(at + 1, std::memory_order_release);
        return at;
    }
};

MessageLog::MessageLog(QObject* parent)
    : QAbstractTableModel(parent)
    , m_store(std::make_shared<Store>()) {
    retranslate();
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    m_frame.setTimerType(Qt::PreciseTimer);
    connect(&m_frame, &QTimer::timeout, this, &MessageLog::flush);
}

MessageLog::~MessageLog() = default;

void MessageLog::startFrame() {
    if (!m_frame.isActive())
        m_frame.start();
}

int MessageLog::append(Direction direction, const QDateTime& utc, QByteArrayView bytes, int latencyMs) {
    Store::Row row;
    row.utcMsecs = utc.toMSecsSinceEpoch();
    row.bits = direction == Direction::Get ? Store::GetFlag : 0;
    row.latencyMs = latencyMs;
    // An arrival beyond what a row records is kept whole, as several rows.
    while (bytes.size() > qsizetype(Store::LengthMask)) {
        m_store->push(row, bytes.first(Store::LengthMask));
        bytes = bytes.sliced(Store::LengthMask);
    }
    const int at = m_store->push(row, bytes);
    startFrame();
    return at;
}

int MessageLog::appendText(Direction direction, const QDateTime& utc, const QString& text) {
    bool lossless = false;
    const QByteArray bytes = Cp1252::encode(text, &lossless);
    if (lossless)
        return append(direction, utc, bytes);
    Store::Row row;
    row.utcMsecs = utc.toMSecsSinceEpoch();
    row.bits = (direction == Direction::Get ? Store::GetFlag : 0) | Store::Utf8Flag;
    QByteArray utf8 = text.toUtf8();
    utf8.truncate(Store::LengthMask); // a command of 256 MiB would not have reached the log anyway
    const int at = m_store->push(row, utf8);
    startFrame();
    return at;
}

int MessageLog::append(Direction direction, QTime utcTime, const QString& text,
                       const QString& notSentReason) {
    const int row = appendText(direction, QDateTime(m_clock->now().date(), utcTime, Qt::UTC), text);
    if (!notSentReason.isEmpty())
        markNotSent(row, notSentReason);
    return row;
}

void MessageLog::markNotSent(int row, const QString& reason) {
    if (row < 0 || row >= size())
        return;
    {
        const QMutexLocker lock(&m_store->reasonsLock);
        m_store->reasons.insert(row, reason);
    }
    Store::Row& record = const_cast<Store::Row&>(m_store->row(row));
    std::atomic_ref<quint32>(record.bits).fetch_or(Store::NotSentFlag, std::memory_order_relaxed);
    if (row < m_shown)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::ToolTipRole, NotSentRole});
}

void MessageLog::flush() {
    m_frame.stop();
    if (m_shown >= size())
        return;
    beginInsertRows({}, m_shown, size() - 1);
    m_shown = size();
    endInsertRows();
}

void MessageLog::clear() {
    beginResetModel();
    m_frame.stop();
    // A snapshot in a worker's hands keeps the old store until it lets go.
    m_store = std::make_shared<Store>();
    m_shown = 0;
    endResetModel();
}

int MessageLog::size() const {
    return m_store->count.load(std::memory_order_relaxed);
}

LogRows MessageLog::rows() const {
    return LogRows(m_store, size());
}

MessageLog::Direction MessageLog::direction(int row) const {
    return m_store->bits(row) & Store::GetFlag ? Direction::Get : Direction::Set;
}

qint64 MessageLog::utcMsecs(int row) const {
    return m_store->row(row).utcMsecs;
}

QDateTime MessageLog::utcTime(int row) const {
    return QDateTime::fromMSecsSinceEpoch(utcMsecs(row), Qt::UTC);
}

QByteArray MessageLog::bytes(int row) const {
    return m_store->view(row).toByteArray();
}

QString MessageLog::text(int row) const {
    return m_store->decode(row, std::numeric_limits<qsizetype>::max());
}

qsizetype MessageLog::byteCount(int row) const {
    return m_store->length(row);
}

bool MessageLog::notSent(int row) const {
    return m_store->bits(row) & Store::NotSentFlag;
}

QString MessageLog::notSentReason(int row) const {
    return m_store->reason(row);
}

int MessageLog::latencyMs(int row) const {
    return m_store->row(row).latencyMs;
}

bool MessageLog::contains(int row, const QString& needle, Qt::CaseSensitivity sensitivity) const {
    if (row < 0 || row >= size() || needle.isEmpty())
        return false;
    bool lossless = false;
    const QByteArray bytes = Cp1252::encode(needle, &lossless);
    if (sensitivity == Qt::CaseSensitive && lossless && !(m_store->bits(row) & Store::Utf8Flag))
        return m_store->view(row).indexOf(bytes) >= 0;
    return text(row).contains(needle, sensitivity);
}

QString MessageLog::formatTime(QTime time) {
    // By hand: this runs for every visible time cell on every repaint.
    const int ms = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    const int parts[] = {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60};
    QString text(12, QLatin1Char(':'));
    QChar* out = text.data();
    for (int i = 0; i < 3; ++i) {
        out[i * 3] = QLatin1Char(static_cast<char>('0' + parts[i] / 10));
        out[i * 3 + 1] = QLatin1Char(static_cast<char>('0' + parts[i] % 10));
    }
    const int milli = ms % 1000;
    out[9] = QLatin1Char(static_cast<char>('0' + milli / 100));
    out[10] = QLatin1Char(static_cast<char>('0' + milli / 10 % 10));
    out[11] = QLatin1Char(static_cast<char>('0' + milli % 10));
    return text;
}

QString MessageLog::directionText(Direction direction) {
    return direction == Direction::Set ? QStringLiteral("Set") : QStringLiteral("Get");
}

int MessageLog::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int MessageLog::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageLog::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn: {
            const qint64 msecs = utcMsecs(row) % MsecsPerDay;
            return formatTime(
                QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs < 0 ? msecs + MsecsPerDay : msecs)));
        }
        case ModeColumn:
            return directionText(direction(row));
        case ParameterColumn: {
            QString shown = m_store->decode(row, ShownLength);
            if (shown.size() > ShownLength || byteCount(row) > ShownLength) {
                shown.truncate(ShownLength);
                shown += QChar(char16_t(0x2026));
            }
            return shown;
        }
        case LatencyColumn:
            return latencyMs(row) >= 0 ? QString::number(latencyMs(row)) + QStringLiteral(" ms") : QString();
        }
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == LatencyColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ToolTipRole:
        return notSent(row) ? QVariant(notSentReason(row)) : QVariant();
    case NotSentRole:
        return notSent(row);
    case TextRole:
        return text(row);
    default:
        return {};
    }
}

QVariant MessageLog::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount &&
        (role == Qt::DisplayRole || role == Qt::EditRole))
        return m_headers[static_cast<std::size_t>(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void MessageLog::retranslate() {
    for (std::size_t column = 0; column < HeaderIds.size(); ++column)
        m_headers[column] = GetText(HeaderIds[column]);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

Qt::ItemFlags MessageLog::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

LogRows::LogRows() = default;

LogRows::LogRows(const MessageLog& log)
    : LogRows(log.rows()) {}

LogRows::LogRows(std::shared_ptr<const MessageLog::Store> store, int size)
    : m_store(std::move(store))
    , m_size(size) {}

LogRows LogRows::latest() const {
    return m_store ? LogRows(m_store, m_store->count.load(std::memory_order_acquire)) : LogRows();
}

MessageLog::Direction LogRows::direction(int row) const {
    return m_store->bits(row) & MessageLog::Store::GetFlag ? MessageLog::Direction::Get
                                                           : MessageLog::Direction::Set;
}

qint64 LogRows::utcMsecs(int row) const {
    return m_store->row(row).utcMsecs;
}

QDateTime LogRows::utcTime(int row) const {
    return QDateTime::fromMSecsSinceEpoch(utcMsecs(row), Qt::UTC);
}

QByteArray LogRows::bytes(int row) const {
    return m_store->view(row).toByteArray();
}

QByteArrayView LogRows::view(int row) const {
    return m_store->view(row);
}

QString LogRows::text(int row) const {
    return m_store->decode(row, std::numeric_limits<qsizetype>::max());
}

QString LogRows::shownText(int row) const {
    const QString raw = text(row);
    return isPlain(row) ? raw : LogExport::escapeControls(raw);
}

qsizetype LogRows::byteCount(int row) const {
    return m_store->length(row);
}

bool LogRows::notSent(int row) const {
    return m_store->bits(row) & MessageLog::Store::NotSentFlag;
}

QString LogRows::notSentReason(int row) const {
    return m_store->reason(row);
}

int LogRows::latencyMs(int row) const {
    return m_store->row(row).latencyMs;
}

bool LogRows::isPlain(int row) const {
    return !(m_store->bits(row) & (MessageLog::Store::Utf8Flag | MessageLog::Store::EscapedFlag));
}
