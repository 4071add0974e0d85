#pragma once

class QTableView;
class QTreeView;

// Width codes of the list-view column message: a width in pixels (>= 0), or one of these.
namespace ColumnWidth {
constexpr int Contents = -1;          // as wide as the widest content
constexpr int ContentsAndHeader = -2; // the wider of content and header; the last column fills the rest
} // namespace ColumnWidth

// Sets the width of every column of the list with the width code. Any other negative code does nothing.
void AutoSizeColumns(QTreeView* list, int widthCode);
void AutoSizeColumns(QTableView* list, int widthCode);
