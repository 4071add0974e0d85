#include "core/link/MessageLog.h"

#include "core/files/Codec.h"
#include "core/files/Platform.h"
#include "core/texts/Texts.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
constexpr qsizetype ChunkSize = 256 * 1024;
// A row this long or longer gets a chunk of its own; so a shared chunk ends with at most this much unused.
constexpr qsizetype OwnChunkFrom = ChunkSize / 16;
constexpr qsizetype MostBytesPerRow = std::numeric_limits<quint32>::max();
constexpr qint64 MsecsPerDay = 24 * 60 * 60 * 1000;

constexpr std::array<TextId, MessageLog::ColumnCount> HeaderIds = {
    TextId::TimeColumn, TextId::ModeColumn, TextId::ParameterColumn, TextId::LatencyColumn};
} // namespace

// What find looks for, prepared once for a search over many rows.
struct MessageLog::Needle {
    QString text;
    Qt::CaseSensitivity sensitivity;
    QByteArray bytes; // a case-sensitive search compares Windows-1252 bytes, without decoding
    bool byBytes = false;

    Needle(const QString& needle, Qt::CaseSensitivity cs)
        : text(needle)
        , sensitivity(cs) {
        bool lossless = false;
        bytes = Cp1252::encode(needle, &lossless);
        byBytes = cs == Qt::CaseSensitive && lossless;
    }
};

MessageLog::MessageLog(QObject* parent)
    : QAbstractTableModel(parent) {
    for (std::size_t column = 0; column < HeaderIds.size(); ++column)
        m_headers[column] = GetText(HeaderIds[column]);
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    m_frame.setTimerType(Qt::PreciseTimer);
    connect(&m_frame, &QTimer::timeout, this, &MessageLog::flush);
}

MessageLog::~MessageLog() = default;

int MessageLog::store(const Row& record, QByteArrayView bytes) {
    Row row = record;
    row.length = static_cast<quint32>(bytes.size());
    if (bytes.size() >= OwnChunkFrom) {
        m_chunks.push_back(std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(bytes.size())));
        row.chunk = static_cast<quint32>(m_chunks.size() - 1);
        row.offset = 0;
    } else {
        if (m_sharedChunk < 0 || m_sharedUsed + bytes.size() > ChunkSize) {
            m_chunks.push_back(std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(ChunkSize)));
            m_sharedChunk = static_cast<qsizetype>(m_chunks.size() - 1);
            m_sharedUsed = 0;
        }
        row.chunk = static_cast<quint32>(m_sharedChunk);
        row.offset = static_cast<quint32>(m_sharedUsed);
        m_sharedUsed += bytes.size();
    }
    if (!bytes.isEmpty())
        std::memcpy(m_chunks[row.chunk].get() + row.offset, bytes.data(),
                    static_cast<std::size_t>(bytes.size()));
    m_rows.push_back(row);
    if (!m_frame.isActive())
        m_frame.start();
    return size() - 1;
}

int MessageLog::append(Direction direction, const QDateTime& utc, QByteArrayView bytes, int latencyMs) {
    Row row;
    row.utcMsecs = utc.toMSecsSinceEpoch();
    row.flags = direction == Direction::Get ? GetFlag : 0;
    row.latencyMs = latencyMs;
    // An arrival beyond what a row records is kept whole, as several rows.
    while (bytes.size() > MostBytesPerRow) {
        store(row, bytes.first(MostBytesPerRow));
        bytes = bytes.sliced(MostBytesPerRow);
    }
    return store(row, bytes);
}

int MessageLog::appendText(Direction direction, const QDateTime& utc, const QString& text) {
    bool lossless = false;
    const QByteArray bytes = Cp1252::encode(text, &lossless);
    if (lossless)
        return append(direction, utc, bytes);
    Row row;
    row.utcMsecs = utc.toMSecsSinceEpoch();
    row.flags = static_cast<quint8>((direction == Direction::Get ? GetFlag : 0) | Utf8Flag);
    return store(row, text.toUtf8());
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
    m_rows[static_cast<std::size_t>(row)].flags |= NotSentFlag;
    m_notSentReasons.insert(row, reason);
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
    std::deque<Row>().swap(m_rows);
    std::vector<std::unique_ptr<char[]>>().swap(m_chunks);
    m_sharedChunk = -1;
    m_sharedUsed = 0;
    m_notSentReasons.clear();
    m_shown = 0;
    endResetModel();
}

QByteArrayView MessageLog::view(const Row& row) const {
    return QByteArrayView(m_chunks[row.chunk].get() + row.offset, row.length);
}

QString MessageLog::decode(const Row& row, qsizetype maxBytes) const {
    const QByteArrayView bytes = view(row).first(std::min<qsizetype>(row.length, maxBytes));
    // A UTF-8 row is never cut: its characters may span bytes, and such rows are short commands.
    return row.flags & Utf8Flag ? QString::fromUtf8(view(row)) : Cp1252::decode(bytes);
}

QDateTime MessageLog::utcTime(int row) const {
    return QDateTime::fromMSecsSinceEpoch(utcMsecs(row), Qt::UTC);
}

QByteArray MessageLog::bytes(int row) const {
    return view(rowAt(row)).toByteArray();
}

QString MessageLog::text(int row) const {
    return decode(rowAt(row), std::numeric_limits<qsizetype>::max());
}

bool MessageLog::rowContains(const Row& row, const Needle& needle) const {
    if (needle.byBytes && !(row.flags & Utf8Flag))
        return view(row).indexOf(needle.bytes) >= 0;
    return decode(row, std::numeric_limits<qsizetype>::max()).contains(needle.text, needle.sensitivity);
}

bool MessageLog::contains(int row, const QString& needle, Qt::CaseSensitivity sensitivity) const {
    return row >= 0 && row < size() && !needle.isEmpty() &&
           rowContains(rowAt(row), Needle(needle, sensitivity));
}

int MessageLog::find(const QString& needle, int from, bool forward, Qt::CaseSensitivity sensitivity) const {
    const int count = size();
    if (needle.isEmpty() || count == 0)
        return -1;
    const Needle prepared(needle, sensitivity);
    from = std::clamp(from, 0, count - 1);
    for (int step = 0; step < count; ++step) {
        const int row = forward ? (from + step) % count : (from - step + count) % count;
        if (rowContains(rowAt(row), prepared))
            return row;
    }
    return -1;
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
    const Row& row = rowAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn: {
            const qint64 msecs = row.utcMsecs % MsecsPerDay;
            return formatTime(
                QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs < 0 ? msecs + MsecsPerDay : msecs)));
        }
        case ModeColumn:
            return directionText(row.direction());
        case ParameterColumn: {
            QString shown = decode(row, ShownLength);
            if (shown.size() > ShownLength || (!(row.flags & Utf8Flag) && row.length > ShownLength)) {
                shown.truncate(ShownLength);
                shown += QChar(char16_t(0x2026));
            }
            return shown;
        }
        case LatencyColumn:
            return row.latencyMs >= 0 ? QString::number(row.latencyMs) + QStringLiteral(" ms") : QString();
        }
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == LatencyColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ToolTipRole:
        return row.flags & NotSentFlag ? QVariant(m_notSentReasons.value(index.row())) : QVariant();
    case NotSentRole:
        return bool(row.flags & NotSentFlag);
    case TextRole:
        return decode(row, std::numeric_limits<qsizetype>::max());
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

bool MessageLog::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_headers[static_cast<std::size_t>(section)] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags MessageLog::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
