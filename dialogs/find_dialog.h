// TForm11, the find dialog: asks for a text and finds it in the ledger of the current tab, in
// the number, note, correspondent and amount cells, from the current cell on. Find next runs the
// same search again with the text the dialog keeps, without showing it.
#pragma once

#include <optional>
#include <vector>

#include "app/store/state.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

struct TFindHit {
    int Row = 0;
    int Col = 0;
    int Pos = 0;  // from 1, in the cell's text
};

// The next occurrence of `text` (exact, case-sensitive) in `rows` (the last row is the new row
// and is never searched), starting in the current cell (curRow, curCol) one character after
// `caretPos`, then cell by cell through columns 1 to 5 of each row, wrapping after the last
// searched row to the first. Every searched cell is visited at most once.
std::optional<TFindHit> FindInLedger(const std::vector<TBillMoveRow>& rows, int curRow, int curCol,
                                     int caretPos, const AnsiString& text);

class TForm11 : public TForm {
    Q_OBJECT
  public:
    explicit TForm11(QWidget* parent = nullptr);

    TEdit* Edit1 = nullptr;      // keeps its text between uses
    TButton* Button1 = nullptr;  // find
    TButton* Button2 = nullptr;  // close

    // The search; also what find next runs.
    void Button1Click();
    void Button2Click();
    void Edit1KeyPress(char& key);

  protected:
    void FormShow() override;

  private:
    void FormCreate();
};

extern TForm11* Form11;

}  // namespace qm
