#include "link/MessageLog.h"

#include "app/Texts.h"

#include <QBrush>
#include <QHeaderView>
#include <QTableView>

namespace {
constexpr int FirstHeaderId = 3046;
const QColor NotSentColour(255, 0, 0);
// Cells show at most this many characters; the view could never show more on one line anyway.
constexpr qsizetype MaxShownLength = 1000;
} // namespace

MessageLog::MessageLog(QObject* parent)
    : QAbstractTableModel(parent) {
    for (int column = 0; column < ColumnCount; ++column)
        m_headers[static_cast<std::size_t>(column)] = GetText(FirstHeaderId + column);
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
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1),
                         {Qt::ForegroundRole, Qt::ToolTipRole, NotSentRole});
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
    case Qt::ForegroundRole:
        return row.notSent ? QVariant(QBrush(NotSentColour)) : QVariant();
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

QString LogItemDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    if (value.userType() == QMetaType::QString)
        return OneLine(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}

QString LogItemDelegate::OneLine(const QString& text) {
    QString shown = text.left(MaxShownLength);
    for (QChar& c : shown) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u)); // the control pictures block: U+240A for LF, U+240D for CR
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if (u == 0x2028 || u == 0x2029)
            c = QChar(char16_t(0x23CE)); // Unicode's own line and paragraph separators
    }
    if (text.size() > MaxShownLength)
        shown += QChar(char16_t(0x2026));
    return shown;
}

void ConfigureLogView(QTableView* view, MessageLog* log) {
    view->setModel(log);
    view->setItemDelegate(new LogItemDelegate(view));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->setShowGrid(false);
    view->setCornerButtonEnabled(false);

    // Fixed, uniform rows: the view then places a row by arithmetic and never measures contents.
    QHeaderView* rows = view->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 4);
    rows->setMinimumSectionSize(1);

    QHeaderView* columns = view->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setStretchLastSection(true);
    const QFontMetrics metrics = view->fontMetrics();
    columns->resizeSection(MessageLog::TimeColumn,
                           metrics.horizontalAdvance(QStringLiteral("00:00:00:000")) + 16);
    columns->resizeSection(MessageLog::ModeColumn, metrics.horizontalAdvance(QStringLiteral("Mode")) + 24);
}

void ShowLogRow(QTableView* view, int row) {
    const QModelIndex index = view->model()->index(row, 0);
    if (!index.isValid())
        return;
    view->selectionModel()->setCurrentIndex(index,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}
