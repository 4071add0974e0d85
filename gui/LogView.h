#pragma once

#include "core/link/MessageLog.h"

#include <QStyledItemDelegate>

class QTableView;

// Draws a log cell on one line: line breaks and other control characters as their visible symbols, and
// very long texts cut, so a row never grows and painting stays cheap. The model keeps the text unchanged.
class LogItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
    // Rows of commands that did not go out are drawn in red; received rows that hold the error text in
    // dark red and bold (bold, so the mark does not rest on colour alone).
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // "" marks nothing.
    void setErrorText(const QString& text) { m_errorText = text; }

    static QString oneLine(const QString& text);

private:
    QString m_errorText;
};

// Puts the log on the view: whole-row single selection, uniform fixed row heights, one-line cells, no
// editing, the parameter column taking the remaining width.
void configureLogView(QTableView* view, MessageLog* log);

// Marks the received rows that hold the text (case-sensitive); "" marks none.
void setLogErrorText(QTableView* view, const QString& text);

// Selects the row and scrolls it into view.
void showLogRow(QTableView* view, int row);
