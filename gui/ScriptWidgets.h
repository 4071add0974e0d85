#pragma once

#include "core/scripts/ScriptLine.h"

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

// Helpers shared by the editor, the quick-dial memory and the viewer to show scripts and user texts.
namespace ScriptWidgets {

// One list row: column 0 the command, column 1 its description. Item texts are never read as markup.
QTreeWidgetItem* makeRow(const ScriptLine& line);
ScriptLine rowLine(const QTreeWidgetItem* item);

// Replaces every row of the list with the script's lines, in order.
void fillList(QTreeWidget* list, const Script& script);
Script listScript(const QTreeWidget* list);

// Fits each column to its contents and its header.
void fitColumns(QTreeWidget* list);

// A button caption that shows the text as typed: a lone "&" would otherwise underline the next letter and
// turn it into a shortcut.
QString buttonCaption(const QString& text);

// A tooltip that shows the text as typed: Qt renders a tooltip that looks like markup ("<b>x</b>") as
// rich text, so the text is escaped and marked as rich text, with blanks kept.
QString plainToolTip(const QString& text);

} // namespace ScriptWidgets
