#include "gui/AutoSizeColumns.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeView>

#include <algorithm>

namespace {

void autoSize(QAbstractItemView* view, QHeaderView* header, int widthCode) {
    if (!view || !header || !view->model())
        return;
    if (widthCode < ColumnWidth::ContentsAndHeader)
        return;
    const int count = header->count();
    int used = 0;
    for (int column = 0; column < count; ++column) {
        int width = widthCode;
        if (widthCode == ColumnWidth::Contents || widthCode == ColumnWidth::ContentsAndHeader) {
            // sizeHintForColumn looks at the rows around the visible ones only, so long lists stay cheap.
            width = std::max(view->sizeHintForColumn(column), 0);
            if (widthCode == ColumnWidth::ContentsAndHeader) {
                width = std::max(width, header->sectionSizeHint(column));
                if (column == count - 1)
                    width = std::max(width, view->viewport()->width() - used);
            }
        }
        header->resizeSection(column, width);
        used += width;
    }
}

} // namespace

void AutoSizeColumns(QTreeView* list, int widthCode) {
    autoSize(list, list ? list->header() : nullptr, widthCode);
}

void AutoSizeColumns(QTableView* list, int widthCode) {
    autoSize(list, list ? list->horizontalHeader() : nullptr, widthCode);
}
