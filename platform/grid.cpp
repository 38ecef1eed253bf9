// The string grid over QTableWidget: the cell store, the fixed headings in the view's headers, a
// selection model that asks OnSelectCell before the current cell moves, and a cell editor that
// writes every keystroke through to the store.
#include "platform/grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/sysutils.h"

namespace qm {
namespace {

class CellSelection : public QItemSelectionModel {
  public:
    CellSelection(QAbstractItemModel* model, TStringGrid* grid)
        : QItemSelectionModel(model, grid), grid_(grid) {}

    void setCurrentIndex(const QModelIndex& index, SelectionFlags) override {
        if (index.isValid() && !grid_->AskSelect(index)) return;
        QItemSelectionModel::setCurrentIndex(index, NoUpdate);
        // The base's index overload would come back through the blocked overrides below.
        QItemSelectionModel::select(QItemSelection(index, index), ClearAndSelect);
    }
    // The highlight is the current cell and nothing else (invariant 3).
    void select(const QModelIndex&, SelectionFlags) override {}
    void select(const QItemSelection&, SelectionFlags) override {}

  private:
    TStringGrid* grid_;
};

class CellEditorDelegate : public QStyledItemDelegate {
  public:
    explicit CellEditorDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        grid_->EditorOpened(index);
        QPersistentModelIndex cell(index);
        QObject::connect(edit, &QLineEdit::textEdited, grid_,
                         [grid = grid_, cell](const QString& t) {
                             if (cell.isValid()) grid->EditorTyped(cell, t);
                         });
        return edit;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }

  private:
    TStringGrid* grid_;
};

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent), TControl(this, QPalette::Base) {
    QItemSelectionModel* qtSelection = selectionModel();
    setSelectionModel(new CellSelection(model(), this));
    delete qtSelection;
    setItemDelegate(new CellEditorDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionsClickable(false);
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // A cell's text, set by the editor's commit or by code, always lands in the store.
    QObject::connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        const int col = it->column() + fixedCols_, row = it->row() + fixedRows_;
        if (col < ColCount() && row < rowCount_) Store(col, row, it->text());
    });
    cells_.assign(5, std::vector<AnsiString>(5));
    rowCount_ = 5;
    SetDefaultColWidth(defaultColWidth_);
    SetDefaultRowHeight(defaultRowHeight_);
    ApplyOptions();
    Rebuild();
}

AnsiString TStringGrid::Cells(int col, int row) const {
    if (col < 0 || col >= ColCount() || row < 0 || row >= rowCount_) return {};
    return cells_[col][row];
}

void TStringGrid::SetCells(int col, int row, const AnsiString& text) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= rowCount_) return;
    cells_[col][row] = text;
    unfit_.erase({col, row});
    ShowCell(col, row);
}

QString TStringGrid::CellText(int col, int row) const {
    const auto it = unfit_.find({col, row});
    return it != unfit_.end() ? it->second : ToQString(Cells(col, row));
}

void TStringGrid::SetCellText(int col, int row, const QString& text) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= rowCount_) return;
    Store(col, row, text);
    ShowCell(col, row);
}

void TStringGrid::Store(int col, int row, const QString& text) {
    cells_[col][row] = FromQString(text);
    if (FitsCodePage(text))
        unfit_.erase({col, row});
    else
        unfit_[{col, row}] = text;
}

void TStringGrid::DropUnfitOutside() {
    std::erase_if(unfit_, [this](const auto& cell) {
        return cell.first.first >= ColCount() || cell.first.second >= rowCount_;
    });
}

void TStringGrid::ShowCell(int col, int row) {
    const QString text = CellText(col, row);
    const bool fixedRow = row < fixedRows_, fixedCol = col < fixedCols_;
    if (fixedRow && fixedCol) return;
    if (fixedRow || fixedCol) {
        const int section = fixedRow ? col - fixedCols_ : row - fixedRows_;
        QTableWidgetItem* h =
            fixedRow ? horizontalHeaderItem(section) : verticalHeaderItem(section);
        if (!h) {
            h = new QTableWidgetItem;
            fixedRow ? setHorizontalHeaderItem(section, h) : setVerticalHeaderItem(section, h);
        }
        h->setText(text);
        return;
    }
    QTableWidgetItem* it = item(row - fixedRows_, col - fixedCols_);
    if (!it) {
        if (text.isEmpty()) return;
        it = new QTableWidgetItem;
        setItem(row - fixedRows_, col - fixedCols_, it);
    }
    it->setText(text);
}

// Lays the store out in the view again: counts, headers and every cell.
void TStringGrid::Rebuild() {
    const bool wasQuiet = quiet_;
    quiet_ = true;
    clearContents();
    setColumnCount(ColCount() - fixedCols_);
    setRowCount(rowCount_ - fixedRows_);
    horizontalHeader()->setVisible(fixedRows_ == 1);
    verticalHeader()->setVisible(fixedCols_ == 1);
    for (int c = 0; c < ColCount(); ++c)
        for (int r = 0; r < rowCount_; ++r) ShowCell(c, r);
    if (!currentIndex().isValid() && rowCount() > 0 && columnCount() > 0)
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
    quiet_ = wasQuiet;
}

void TStringGrid::SetColCount(int count) {
    count = std::max(1, count);
    if (count == ColCount()) return;
    const bool fixedChanged = count <= fixedCols_;
    if (fixedChanged) fixedCols_ = count - 1;
    const int old = ColCount();
    cells_.resize(count, std::vector<AnsiString>(rowCount_));
    DropUnfitOutside();
    if (fixedChanged) return Rebuild();
    const bool wasQuiet = quiet_;
    quiet_ = true;
    setColumnCount(count - fixedCols_);
    for (int c = old; c < count; ++c)
        if (fixedRows_) ShowCell(c, 0);
    quiet_ = wasQuiet;
}

void TStringGrid::SetRowCount(int count) {
    count = std::max(1, count);
    if (count == rowCount_) return;
    const bool fixedChanged = count <= fixedRows_;
    if (fixedChanged) fixedRows_ = count - 1;
    const int old = rowCount_;
    rowCount_ = count;
    for (auto& column : cells_) column.resize(count);
    DropUnfitOutside();
    if (fixedChanged) return Rebuild();
    const bool wasQuiet = quiet_;
    quiet_ = true;
    setRowCount(count - fixedRows_);
    for (int r = old; r < count; ++r)
        if (fixedCols_) ShowCell(0, r);
    if (!currentIndex().isValid() && rowCount() > 0 && columnCount() > 0)
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
    quiet_ = wasQuiet;
}

void TStringGrid::SetFixedRows(int count) {
    if (count < 0 || count > 1 || count >= rowCount_)
        throw Exception("Fixed row count must be 0 or 1 and less than the row count");
    if (count == fixedRows_) return;
    fixedRows_ = count;
    Rebuild();
}

void TStringGrid::SetFixedCols(int count) {
    if (count < 0 || count > 1 || count >= ColCount())
        throw Exception("Fixed column count must be 0 or 1 and less than the column count");
    if (count == fixedCols_) return;
    fixedCols_ = count;
    Rebuild();
}

int TStringGrid::ColWidths(int col) const {
    if (col < 0 || col >= ColCount()) return 0;
    if (col < fixedCols_) return verticalHeader()->width();
    return columnWidth(col - fixedCols_);
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= ColCount()) return;
    if (col < fixedCols_)
        verticalHeader()->setFixedWidth(std::max(0, width));
    else
        setColumnWidth(col - fixedCols_, std::max(0, width));
}

void TStringGrid::SetDefaultColWidth(int width) {
    defaultColWidth_ = std::max(0, width);
    horizontalHeader()->setDefaultSectionSize(defaultColWidth_);
    for (int c = 0; c < columnCount(); ++c) setColumnWidth(c, defaultColWidth_);
    verticalHeader()->setFixedWidth(defaultColWidth_);
}

void TStringGrid::SetDefaultRowHeight(int height) {
    defaultRowHeight_ = std::max(1, height);
    verticalHeader()->setDefaultSectionSize(defaultRowHeight_);
    horizontalHeader()->setFixedHeight(defaultRowHeight_);
}

int TStringGrid::Row() const {
    return currentIndex().isValid() ? currentIndex().row() + fixedRows_ : fixedRows_;
}

int TStringGrid::Col() const {
    return currentIndex().isValid() ? currentIndex().column() + fixedCols_ : fixedCols_;
}

void TStringGrid::MoveTo(int col, int row) {
    if (col < fixedCols_ || col >= ColCount() || row < fixedRows_ || row >= rowCount_)
        throw Exception("Grid index out of range");
    selectionModel()->setCurrentIndex(model()->index(row - fixedRows_, col - fixedCols_),
                                      QItemSelectionModel::ClearAndSelect);
}

void TStringGrid::SetOptions(TGridOptions options) {
    options_ = options;
    ApplyOptions();
}

void TStringGrid::ApplyOptions() {
    setEditTriggers((options_ & goEditing)
                        ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                              QAbstractItemView::EditKeyPressed
                        : QAbstractItemView::NoEditTriggers);
    horizontalHeader()->setSectionResizeMode((options_ & goColSizing) ? QHeaderView::Interactive
                                                                      : QHeaderView::Fixed);
}

bool TStringGrid::AskSelect(const QModelIndex& index) {
    if (quiet_ || !OnSelectCell) return true;
    bool canSelect = true;
    OnSelectCell(index.column() + fixedCols_, index.row() + fixedRows_, canSelect);
    return canSelect;
}

void TStringGrid::EditorOpened(const QModelIndex& index) {
    editing_ = index;
    editOriginal_ = CellText(index.column() + fixedCols_, index.row() + fixedRows_);
}

void TStringGrid::EditorTyped(const QModelIndex& index, const QString& text) {
    const int col = index.column() + fixedCols_, row = index.row() + fixedRows_;
    // The view's item follows at the commit; setting it now would reset the editor's caret.
    if (col < ColCount() && row < rowCount_) Store(col, row, text);
}

void TStringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::RevertModelCache && editing_.isValid())
        EditorTyped(editing_, editOriginal_);
    editing_ = QModelIndex();
    QTableWidget::closeEditor(editor, hint);
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    QPointer<QTableWidget> guard(this);
    QTableWidget::mouseDoubleClickEvent(e);
    if (guard && OnDblClick) OnDblClick();
}

}  // namespace qm
