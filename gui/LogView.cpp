#include "gui/LogView.h"

#include <QHeaderView>
#include <QTableView>

namespace {
// Cells show at most this many characters; the view could never show more on one line anyway.
constexpr qsizetype MaxShownLength = 1000;
const QColor NotSentColour(255, 0, 0);
const QColor ErrorReplyColour(160, 0, 0); // 9:1 on white
} // namespace

void LogItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(MessageLog::NotSentRole).toBool())
        option->palette.setColor(QPalette::Text, NotSentColour);
    if (!m_errorText.isEmpty() &&
        index.siblingAtColumn(MessageLog::ModeColumn).data().toString() == QLatin1String("Get") &&
        index.siblingAtColumn(MessageLog::ParameterColumn).data().toString().contains(m_errorText)) {
        option->palette.setColor(QPalette::Text, ErrorReplyColour);
        option->font.setBold(true);
    }
}

QString LogItemDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    if (value.userType() == QMetaType::QString)
        return oneLine(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}

QString LogItemDelegate::oneLine(const QString& text) {
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

void configureLogView(QTableView* view, MessageLog* log) {
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

void setLogErrorText(QTableView* view, const QString& text) {
    if (auto* delegate = qobject_cast<LogItemDelegate*>(view->itemDelegate()))
        delegate->setErrorText(text);
    view->viewport()->update();
}

void showLogRow(QTableView* view, int row) {
    const QModelIndex index = view->model()->index(row, 0);
    if (!index.isValid())
        return;
    view->selectionModel()->setCurrentIndex(index,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}
