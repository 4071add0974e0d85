#pragma once

#include <QList>
#include <QString>

class QTabWidget;
class QWidget;

// What the window does for the keyboard and the desktop's accessibility interface beyond what each widget
// does by itself: names for combo boxes, the Alt+letter keys of captions, and announcements of changes
// that happen away from the focus.
namespace Access {

// Once per program: combo boxes take their accessible name (or their buddy label's text) as their name.
// Qt's own interface names a combo box after its current row on Linux, which says nothing of its purpose.
void installAccessibility();

// A caption as it reads: a single '&' marks the next letter as the Alt key, "&&" is one '&'.
QString withoutMnemonic(const QString& caption);
// The Alt key a caption gives ('&' and the letter after it), lower case; a null QChar for none.
QChar mnemonicOf(const QString& caption);

// Marks a button whose caption is the user's own text (a slot caption): it gets no Alt key of ours.
void markUserCaption(QWidget* button);
// The widgets whose captions take an Alt key: buttons and check boxes with a caption that is not the
// user's, and labels that have a buddy; in the order they were made.
QList<QWidget*> mnemonicWidgets(QWidget* page);

// Gives each caption an Alt key: an '&' in front of one of its letters, so that it reads as before; the
// first letter of a word where that works out. The tabs and the shared widgets (seen on every page) come
// first, then each page's widgets take what is left, so no two keys on a page clash; as many captions as
// can have a key get one.
void assignMnemonics(QTabWidget* tabs, const QList<QWidget*>& shared, const QList<QWidget*>& pages);

// Tells the accessibility interface that the widget's text changed, and, when it has the focus, that the
// focus is on it anew, so that a screen reader reads the new text.
void announceChange(QWidget* widget);

} // namespace Access
