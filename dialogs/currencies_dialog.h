// TForm3, the currencies dialog: the currency table as a grid of name, short name and rate
// expression. Rows are added and deleted in the grid and written together by Save, which then
// recalculates every group total and repaints the tree; Cancel drops the grid's changes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm3 : public TForm {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);

    TStringGrid* StringGrid1 = nullptr;  // name, short name, rate expression
    TButton* Button1 = nullptr;          // add a row
    TButton* Button2 = nullptr;          // delete the current row
    TButton* Button3 = nullptr;          // save and close
    TButton* Button4 = nullptr;          // close without saving

    // The currency.id of grid row i + 1 at index i; -1 for a row added since opening.
    std::vector<int> RowIds;
    // Beside RowIds: each row's name and short name as the file holds them (UTF-8), shown whole
    // and written back as stored while the cell is left as it was; empty for a row added here.
    std::vector<std::pair<std::string, std::string>> StoredNames;
    // The ids of the deleted rows joined by ","; empty when none.
    AnsiString DeletedIds;

    void StringGrid1KeyPress(char& key);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    void Notice(int text);
    // False, with the notice and the offending cell made current, when a cell of the row holds
    // a character the code page cannot hold.
    bool CellsFit(int row);
    void FitShortNameColumn();
};

extern TForm3* Form3;

}  // namespace qm
