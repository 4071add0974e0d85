#pragma once

#include "gui/Twips.h"

#include <QFont>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTabWidget>

class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class QWidget;

// Building blocks of the fixed layout: every widget is made at its design place in twips, named by its
// objectName.
namespace Layout {

// The window's inner area at its default size, in twips; the layout is designed for it.
constexpr int WindowWidthTwips = 9765;
constexpr int WindowHeightTwips = 6675;

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

// Places on a tab page from their design places in twips, which count from the tab control's corner (see
// TabControl below).
class TabPlaces {
public:
    explicit TabPlaces(QPoint pageOffset)
        : m_pageOffset(pageOffset) {}
    QRect operator()(int left, int top, int width, int height) const {
        return twipsRect(left, top, width, height).translated(-m_pageOffset);
    }

private:
    QPoint m_pageOffset;
};

// A label that shows its text as typed, never as markup.
QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry);
// A label that is sized to its text whenever the text is set through setAutoSizedText.
QLabel* makeAutoSizeLabel(QWidget* parent, const char* name, int leftTwips, int topTwips);
void setAutoSizedText(QLabel* label, const QString& text);
// The long info texts at the foot of each tab: wrapped, in the highlight colour made readable.
QLabel* makeInfoLabel(QWidget* parent, const char* name, QRect geometry);
// A multi-line box that wraps at its width and takes Tab to move on.
QPlainTextEdit* makeMultiLine(QWidget* parent, const QString& name, QRect geometry);
// A two-column script list: command and description, whole-row single selection.
void setupScriptList(QTreeWidget* list);

// Writes the text property (caption) of a label, button or check box.
void setCaption(QWidget* widget, const QString& text);

// How a widget follows its container's growth beyond the default size: the shares of the extra width and
// height added to its left, top, width and height.
struct GrowthShare {
    double left = 0, top = 0, width = 0, height = 0;
};
constexpr GrowthShare Stretch{0, 0, 1, 1};
constexpr GrowthShare StretchWidth{0, 0, 1, 0};
constexpr GrowthShare FollowRight{1, 0, 0, 0};
constexpr GrowthShare FollowBottom{0, 1, 0, 0};
constexpr GrowthShare FollowBottomStretchWidth{0, 1, 1, 0};

// The widgets of a fixed layout that move or stretch when the window grows. Each keeps the place it has
// when added as its place at the default size, so at that size the layout is exactly the designed one.
class Growth {
public:
    void add(QWidget* widget, GrowthShare share);
    // Places every widget for a container this much larger than its default size (negative counts as 0).
    void apply(QSize growth) const;

private:
    struct Entry {
        QPointer<QWidget> widget;
        QRect place;
        GrowthShare share;
    };
    QList<Entry> m_entries;
};

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
