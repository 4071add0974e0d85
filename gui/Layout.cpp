#include "gui/Layout.h"

#include "gui/Palette.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTreeWidget>

#include <algorithm>

namespace Layout {

QFont windowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8);
    // Semi-condensed: the condensed face where it is installed, a narrowed regular face elsewhere.
    font.setStretch(QFont::SemiCondensed);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry) {
    auto* label = make<QLabel>(parent, name, geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* makeAutoSizeLabel(QWidget* parent, const char* name, int leftTwips, int topTwips) {
    return makeLabel(parent, name, twipsRect(leftTwips, topTwips, 0, 0));
}

void setAutoSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

QLabel* makeInfoLabel(QWidget* parent, const char* name, QRect geometry) {
    auto* label = makeLabel(parent, name, geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto colour = [label] {
        // From the page's palette, not the label's, which holds the colour set before.
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText,
                         Palette::windowText(Palette::Meaning::Info, label->parentWidget()->palette()));
        label->setPalette(palette);
    };
    colour();
    Palette::follow(label, colour);
    return label;
}

QPlainTextEdit* makeMultiLine(QWidget* parent, const QString& name, QRect geometry) {
    auto* edit = make<QPlainTextEdit>(parent, name, geometry);
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The text wraps, so a horizontal scroll bar would only take room from the few lines there are.
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return edit;
}

void setupScriptList(QTreeWidget* list) {
    list->setColumnCount(2);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->header()->setStretchLastSection(true);
}

void setCaption(QWidget* widget, const QString& text) {
    widget->setProperty("text", text);
}

void Growth::add(QWidget* widget, GrowthShare share) {
    m_entries.append({widget, widget->geometry(), share});
}

void Growth::apply(QSize growth) const {
    const int dw = std::max(growth.width(), 0);
    const int dh = std::max(growth.height(), 0);
    for (const Entry& entry : m_entries) {
        if (!entry.widget)
            continue;
        const QRect& p = entry.place;
        entry.widget->setGeometry(p.x() + qRound(dw * entry.share.left), p.y() + qRound(dh * entry.share.top),
                                  p.width() + qRound(dw * entry.share.width),
                                  p.height() + qRound(dh * entry.share.height));
    }
}

} // namespace Layout

QPoint TabControl::pageOffset() const {
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
}
