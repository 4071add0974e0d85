#include "gui/ScriptWidgets.h"

#include "gui/AutoSizeColumns.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace ScriptWidgets {

QTreeWidgetItem* makeRow(const ScriptLine& line) {
    return new QTreeWidgetItem(QStringList{line.command, line.description});
}

ScriptLine rowLine(const QTreeWidgetItem* item) {
    if (!item)
        return {};
    return {item->text(0), item->text(1)};
}

void fillList(QTreeWidget* list, const Script& script) {
    list->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(script.size());
    for (const ScriptLine& line : script)
        rows.append(makeRow(line));
    list->addTopLevelItems(rows);
}

Script listScript(const QTreeWidget* list) {
    Script script;
    const int count = list->topLevelItemCount();
    script.reserve(count);
    for (int row = 0; row < count; ++row)
        script.append(rowLine(list->topLevelItem(row)));
    return script;
}

void fitColumns(QTreeWidget* list) {
    AutoSizeColumns(list, ColumnWidth::ContentsAndHeader);
}

QString buttonCaption(const QString& text) {
    QString caption = text;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return caption;
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace ScriptWidgets
