#include "gui/Access.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QSet>
#include <QTabWidget>

#include <algorithm>
#include <functional>
#include <numeric>

namespace Access {

namespace {

const char* const UserCaption = "telvaneUserCaption";

QString buddyText(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    if (!parent)
        return {};
    for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->buddy() == widget)
            return withoutMnemonic(label->text());
    }
    return {};
}

// A drop-down list (not editable) named by its accessible name or its label; its value is the current row,
// and its one child the list that drops down, as with Qt's own interface.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QComboBox* combo() const { return static_cast<QComboBox*>(object()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return combo()->currentText();
        if (t == QAccessible::Name) {
            QString name = combo()->accessibleName();
            if (name.isEmpty())
                name = buddyText(combo());
            return name.isEmpty() ? combo()->currentText() : name;
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return combo()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && combo()->view() ? QAccessible::queryAccessibleInterface(combo()->view())
                                             : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->view() ? 0 : -1;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = combo()->view() && combo()->view()->isVisible();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* comboFactory(const QString& key, QObject* object) {
    if (key != QLatin1String("QComboBox"))
        return nullptr;
    auto* combo = qobject_cast<QComboBox*>(object);
    return combo && !combo->isEditable() ? new NamedComboBox(combo) : nullptr;
}

QString captionOf(const QWidget* widget) {
    return widget->property("text").toString();
}

bool isMnemonicLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

// The letters a caption can take as its key, lower case, each once: the starts of its words first.
QList<QChar> keyLetters(const QString& plain) {
    QList<QChar> letters;
    for (const bool wordStarts : {true, false}) {
        for (qsizetype i = 0; i < plain.size(); ++i) {
            const bool wordStart = i == 0 || !plain.at(i - 1).isLetterOrNumber();
            const QChar key = plain.at(i).toLower();
            if (wordStart == wordStarts && isMnemonicLetter(key) && !letters.contains(key))
                letters.append(key);
        }
    }
    return letters;
}

// The caption with its '&'s doubled and an '&' before the key's letter (at a word start where it is one).
QString marked(const QString& plain, QChar key) {
    qsizetype at = -1;
    for (qsizetype i = 0; i < plain.size() && !key.isNull(); ++i) {
        if (plain.at(i).toLower() != key)
            continue;
        const bool wordStart = i == 0 || !plain.at(i - 1).isLetterOrNumber();
        if (at < 0 || wordStart)
            at = i;
        if (wordStart)
            break;
    }
    QString caption;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (i == at)
            caption += QLatin1Char('&');
        caption += plain.at(i);
        if (plain.at(i) == QLatin1Char('&'))
            caption += QLatin1Char('&');
    }
    return caption;
}

// A key for as many captions as can have one, none taken twice nor one of `used`: a maximum matching of
// captions to letters (augmenting paths), tried with the fewest choices first and word starts first.
QList<QChar> chooseKeys(const QStringList& plains, const QSet<QChar>& used) {
    QList<QList<QChar>> letters;
    for (const QString& plain : plains) {
        QList<QChar> free;
        for (const QChar key : keyLetters(plain)) {
            if (!used.contains(key))
                free.append(key);
        }
        letters.append(free);
    }
    QList<int> order(plains.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return letters.at(a).size() < letters.at(b).size(); });
    QHash<QChar, int> owner;
    std::function<bool(int, QSet<QChar>&)> take = [&](int caption, QSet<QChar>& seen) {
        for (const QChar key : letters.at(caption)) {
            if (seen.contains(key))
                continue;
            seen.insert(key);
            if (!owner.contains(key) || take(owner.value(key), seen)) {
                owner.insert(key, caption);
                return true;
            }
        }
        return false;
    };
    for (const int caption : order) {
        QSet<QChar> seen;
        take(caption, seen);
    }
    QList<QChar> keys(plains.size());
    for (auto it = owner.cbegin(); it != owner.cend(); ++it)
        keys[it.value()] = it.key();
    return keys;
}

// Marks the captions of the widgets (and tabs) with keys not in `used`, and adds the keys to it.
void markCaptions(QTabWidget* tabs, const QList<QWidget*>& widgets, QSet<QChar>& used) {
    QStringList plains;
    const int tabCount = tabs ? tabs->count() : 0;
    for (int i = 0; i < tabCount; ++i)
        plains << withoutMnemonic(tabs->tabText(i));
    for (const QWidget* w : widgets)
        plains << withoutMnemonic(captionOf(w));
    const QList<QChar> keys = chooseKeys(plains, used);
    for (qsizetype i = 0; i < plains.size(); ++i) {
        if (!keys.at(i).isNull())
            used.insert(keys.at(i));
        const QString caption = marked(plains.at(i), keys.at(i));
        if (i < tabCount)
            tabs->setTabText(int(i), caption);
        else
            widgets.at(i - tabCount)->setProperty("text", caption);
    }
}

} // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(comboFactory);
}

QString withoutMnemonic(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        plain += caption.at(i);
    }
    return plain;
}

QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        if (caption.at(i + 1) != QLatin1Char('&'))
            return caption.at(i + 1).toLower();
        ++i;
    }
    return {};
}

void markUserCaption(QWidget* button) {
    button->setProperty(UserCaption, true);
}

QList<QWidget*> mnemonicWidgets(QWidget* page) {
    QList<QWidget*> widgets;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (w->property(UserCaption).toBool())
            continue;
        const auto* label = qobject_cast<QLabel*>(w);
        if ((qobject_cast<QAbstractButton*>(w) || (label && label->buddy())) && !captionOf(w).isEmpty())
            widgets.append(w);
    }
    return widgets;
}

void assignMnemonics(QTabWidget* tabs, const QList<QWidget*>& shared, const QList<QWidget*>& pages) {
    QSet<QChar> common;
    markCaptions(tabs, shared, common);
    for (QWidget* page : pages) {
        QSet<QChar> used = common;
        markCaptions(nullptr, mnemonicWidgets(page), used);
    }
}

void announceChange(QWidget* widget) {
    if (!widget || !QAccessible::isActive())
        return;
    QAccessibleEvent named(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    // The focus within its window: a dialog that has just opened may not be active yet.
    if (widget->window()->focusWidget() == widget) {
        QAccessibleEvent focus(widget, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

} // namespace Access
