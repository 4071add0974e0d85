#pragma once

#include "gui/Twips.h"

#include <QFont>
#include <QString>
#include <QTabWidget>

class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class QWidget;

// Building blocks of the fixed layout: every widget is made at its design place in twips, named by its
// objectName.
namespace Layout {

// The font the fixed layout is measured for; every caption fits its place in both languages with it.
QFont windowFont();

template <typename W> W* make(QWidget* parent, const QString& name, QRect geometry) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

template <typename W> W* make(QWidget* parent, const char* name, QRect geometry) {
    return make<W>(parent, QLatin1String(name), geometry);
}

// A label that shows its text as typed, never as markup.
QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry);
// A label that is sized to its text whenever the text is set through setAutoSizedText.
QLabel* makeAutoSizeLabel(QWidget* parent, const char* name, int leftTwips, int topTwips);
void setAutoSizedText(QLabel* label, const QString& text);
// The long info texts at the foot of each tab: wrapped, in the highlight colour.
QLabel* makeInfoLabel(QWidget* parent, const char* name, QRect geometry);
// A multi-line box that wraps at its width and takes Tab to move on.
QPlainTextEdit* makeMultiLine(QWidget* parent, const QString& name, QRect geometry);
// A two-column script list: command and description, whole-row single selection.
void setupScriptList(QTreeWidget* list);

// Writes the text property (caption) of a label, button or check box.
void setCaption(QWidget* widget, const QString& text);

} // namespace Layout

// The tab control SSTab1, able to tell where its pages will sit before it is first shown (it lays its pages
// out only when visible). Places on a tab are measured from the tab control's corner, tab strip included,
// so each page takes this offset off.
class TabControl : public QTabWidget {
    Q_OBJECT

public:
    using QTabWidget::QTabWidget;
    QPoint pageOffset() const;
};
