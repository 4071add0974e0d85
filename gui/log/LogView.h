#pragma once

#include "core/link/LogFilter.h"
#include "core/link/MessageLog.h"

#include <QStyledItemDelegate>

class LogFilterModel;
class QTableView;

// Draws a log cell on one line: backslashes, line breaks and other control characters by the one escape
// rule (\\, \r, \n, \t, \xNN), so a row never grows, every text reads back unambiguously, and painting stays
// cheap (the model hands over only the start of a long text). The colours of
// a row are decided in one place, textColour; the cells of rows that hold what the find bar looks for are
// marked.
class LogItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

    // Marks the rows that find would stop at; an empty matcher marks none.
    void setMark(const LogMatcher& matcher) { m_mark = matcher; }
    const LogMatcher& mark() const { return m_mark; }

    static QString oneLine(const QString& text);
    // Red for a command that did not go out; nothing (the palette's colour) otherwise.
    static QColor textColour(const QModelIndex& index);
    // Received rows that hold the error text are drawn in dark red and bold (bold, so the mark does not rest
    // on colour alone); "" marks none. Case matters.
    void setErrorText(const QString& text) { m_errorText = text; }

private:
    LogMatcher m_mark;
    QString m_errorText;
};

// Puts the log on the view, through a filter model of its own (returned): whole-row extended selection,
// uniform fixed row heights, one-line cells, no editing, the parameter column taking the remaining width,
// the latency column hidden.
LogFilterModel* configureLogView(QTableView* view, MessageLog* log);

// Marks the received rows that hold the text (case-sensitive); "" marks none.
void setLogErrorText(QTableView* view, const QString& text);

// Makes the row the current and only selected one and scrolls it into view.
void showLogRow(QTableView* view, int row);
