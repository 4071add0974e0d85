#include "gui/log/LogView.h"

#include "core/link/LogExport.h"
#include "gui/Palette.h"
#include "gui/log/LogFilterModel.h"

#include <QHeaderView>
#include <QTableView>

QColor LogItemDelegate::textColour(const QModelIndex& index, const QPalette& palette,
                                   const QColor& background) {
    if (index.data(MessageLog::NotSentRole).toBool())
        return Palette::listText(Palette::Meaning::NotSent, palette, background);
    return {};
}

void LogItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto* model = qobject_cast<const LogFilterModel*>(index.model());
    const MessageLog* log = model ? model->log() : qobject_cast<const MessageLog*>(index.model());
    const int row = model ? model->sourceRow(index.row()) : index.row();
    // The mark comes first: the colours of the text are chosen to read on it.
    QColor background;
    if (log && !m_mark.isEmpty() && index.column() == MessageLog::ParameterColumn &&
        m_mark.matches(*log, row)) {
        background = Palette::markBackground(option->palette);
        option->backgroundBrush = background;
        option->palette.setColor(QPalette::Text,
                                 Palette::listText(Palette::Meaning::Neutral, option->palette, background));
    }
    if (const QColor colour = textColour(index, option->palette, background); colour.isValid())
        option->palette.setColor(QPalette::Text, colour);
    if (log && !m_errorText.isEmpty() && log->direction(row) == MessageLog::Direction::Get &&
        log->contains(row, m_errorText, Qt::CaseSensitive)) {
        option->palette.setColor(
            QPalette::Text, Palette::listText(Palette::Meaning::ErrorReply, option->palette, background));
        option->font.setBold(true);
    }
}

QString LogItemDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    if (value.userType() == QMetaType::QString)
        return oneLine(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}

QString LogItemDelegate::oneLine(const QString& text) {
    // The one escape rule (rather than the control pictures, which common fonts lack); besides, the Unicode
    // line and paragraph separators, which only a typed command can hold, so the cell stays one line.
    QString shown = LogExport::escapeControls(text);
    shown.replace(QChar(0x2028), QLatin1String("\\u2028"));
    shown.replace(QChar(0x2029), QLatin1String("\\u2029"));
    return shown;
}

LogFilterModel* configureLogView(QTableView* view, MessageLog* log) {
    auto* model = new LogFilterModel(log, view);
    view->setModel(model);
    view->setItemDelegate(new LogItemDelegate(view));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->setShowGrid(false);
    view->setCornerButtonEnabled(false);
    // Tab moves on to the next control, as everywhere else; the arrow keys move between rows.
    view->setTabKeyNavigation(false);

    // Fixed, uniform rows: the view then places a row by arithmetic and never measures contents.
    QHeaderView* rows = view->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 4);
    rows->setMinimumSectionSize(1);

    // The parameter column takes what the others leave, whether or not the latency column is shown.
    QHeaderView* columns = view->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(MessageLog::ParameterColumn, QHeaderView::Stretch);
    const QFontMetrics metrics = view->fontMetrics();
    columns->resizeSection(MessageLog::TimeColumn,
                           metrics.horizontalAdvance(QStringLiteral("00:00:00:000")) + 16);
    columns->resizeSection(MessageLog::ModeColumn, metrics.horizontalAdvance(QStringLiteral("Mode")) + 24);
    columns->resizeSection(MessageLog::LatencyColumn,
                           metrics.horizontalAdvance(QStringLiteral("000000 ms")) + 16);
    columns->hideSection(MessageLog::LatencyColumn);
    return model;
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
