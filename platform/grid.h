// The string grid: ColCount x RowCount text cells addressed (column, row) from 0, the first
// FixedRows rows and FixedCols columns being fixed headings that never take the current cell or
// an editor. A fixed row is shown as the column header and a fixed column as the row header, so
// at most one of each is offered (all the forms need).
//
// Invariants:
//   1. The cell texts live in one store, ColCount x RowCount; the view only mirrors it. Shrinking
//      the grid drops the cells outside it; growing adds empty ones.
//   2. While the cell editor is open, every keystroke is in the store at once, so a click on a
//      button reads what the user sees. Esc in the editor restores the text it opened with.
//   3. The current cell moves (by mouse, keys or SetRow/SetCol) only when OnSelectCell allows
//      it; the current cell is always the one highlighted.
//   4. A cell whose typed text the interface code page cannot hold keeps that text as typed
//      (CellText) beside the store's converted one, until the cell is set again; the view shows
//      the typed text, so the form can refuse it and the user can mend it.
#pragma once

#include <QPersistentModelIndex>
#include <QTableWidget>
#include <map>
#include <utility>
#include <vector>

#include "platform/control.h"

namespace qm {

using TGridOptions = unsigned;
enum : unsigned { goEditing = 1, goColSizing = 2 };

class TStringGrid : public QTableWidget, public TControl {
  public:
    explicit TStringGrid(QWidget* parent);
    // Before the current cell moves to (col, row); clearing canSelect keeps it where it is.
    std::function<void(int col, int row, bool& canSelect)> OnSelectCell;
    TNotifyEvent OnDblClick;

    // Cells outside the grid read as empty; writes to them are dropped.
    AnsiString Cells(int col, int row) const;
    void SetCells(int col, int row, const AnsiString& text);
    // The cell's text as the user sees it: Cells, or what was typed where the code page cannot
    // hold it (invariant 4).
    QString CellText(int col, int row) const;
    void SetCellText(int col, int row, const QString& text);

    int ColCount() const { return int(cells_.size()); }
    int RowCount() const { return rowCount_; }
    void SetColCount(int count);  // at least 1; fewer than FixedCols + 1 lowers FixedCols
    void SetRowCount(int count);  // likewise for FixedRows
    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    void SetFixedRows(int count);  // 0 or 1, below RowCount; raises Exception otherwise
    void SetFixedCols(int count);

    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int width);  // every column takes it
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);

    // The current cell. Setting one outside the non-fixed cells raises Exception("Grid index out
    // of range"); OnSelectCell may refuse it.
    int Row() const;
    int Col() const;
    void SetRow(int row) { MoveTo(Col(), row); }
    void SetCol(int col) { MoveTo(col, Row()); }
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions options);
    // True while the cell editor is open.
    bool EditorMode() const { return state() == QAbstractItemView::EditingState; }

    // Used by the grid's selection model and cell editor.
    bool AskSelect(const QModelIndex& index);
    void EditorOpened(const QModelIndex& index);
    void EditorTyped(const QModelIndex& index, const QString& text);

  protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    void MoveTo(int col, int row);
    void Rebuild();
    void ShowCell(int col, int row);
    void ApplyOptions();
    // Stores a text as the user typed or the code set it (invariants 1 and 4).
    void Store(int col, int row, const QString& text);
    void DropUnfitOutside();

    std::vector<std::vector<AnsiString>> cells_;    // [col][row]
    std::map<std::pair<int, int>, QString> unfit_;  // (col, row): typed text the store cannot hold
    int rowCount_ = 0;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    TGridOptions options_ = 0;
    bool quiet_ = false;  // current cell set by the grid itself, not asked
    QPersistentModelIndex editing_;
    QString editOriginal_;
};

}  // namespace qm
