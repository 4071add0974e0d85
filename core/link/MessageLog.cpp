#include "core/link/MessageLog.h"

#include "core/texts/Texts.h"

namespace {} // namespace

MessageLog::MessageLog(QObject* parent)
    : QAbstractTableModel(parent) {
    for (int column = 0; column < ColumnCount; ++column)
        m_headers[static_cast<std::size_t>(column)] = GetText(TextId::TimeColumn + column);
}

int MessageLog::append(Direction direction, QTime utcTime, const QString& text,
                       const QString& notSentReason) {
    const int row = size();
    m_rows.push_back(Row{text, utcTime.msecsSinceStartOfDay(), direction, !notSentReason.isEmpty()});
    if (!notSentReason.isEmpty())
        m_notSentReasons.insert(row, notSentReason);
    if (!m_passOpen) {
        // First row of this pass: show it now; later rows of the same pass wait for the pass to end. A
        // queued call rather than a zero-time timer: it runs ahead of the views' repaint, which Qt posts
        // at low priority, so a pass that logs a reply and the next command paints once, not twice.
        m_passOpen = true;
        QMetaObject::invokeMethod(this, &MessageLog::endPass, Qt::QueuedConnection);
        flush();
    }
    return row;
}

void MessageLog::markNotSent(int row, const QString& reason) {
    if (row < 0 || row >= size())
        return;
    m_rows[static_cast<std::size_t>(row)].notSent = true;
    m_notSentReasons.insert(row, reason);
    if (row < m_shown)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::ToolTipRole, NotSentRole});
}

void MessageLog::flush() {
    if (m_shown >= size())
        return;
    beginInsertRows({}, m_shown, size() - 1);
    m_shown = size();
    endInsertRows();
}

void MessageLog::endPass() {
    m_passOpen = false;
    flush();
}

void MessageLog::clear() {
    beginResetModel();
    m_rows.clear();
    m_notSentReasons.clear();
    m_shown = 0;
    endResetModel();
}

QString MessageLog::FormatTime(QTime time) {
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

int MessageLog::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int MessageLog::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageLog::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn:
            return FormatTime(QTime::fromMSecsSinceStartOfDay(row.msecs));
        case ModeColumn:
            return row.direction == Direction::Set ? QStringLiteral("Set") : QStringLiteral("Get");
        case ParameterColumn:
            return row.text;
        }
        return {};
    case Qt::ToolTipRole:
        return row.notSent ? QVariant(m_notSentReasons.value(index.row())) : QVariant();
    case NotSentRole:
        return row.notSent;
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
