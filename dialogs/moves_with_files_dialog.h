// TForm18, the moves with files: every attached file of every move in one grid, with the move's
// two accounts. A line's file can be opened from a temporary copy, or its move shown in the
// ledger of either account.
#pragma once

#include <array>
#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm18 : public TForm {
    Q_OBJECT
  public:
    explicit TForm18(QWidget* parent = nullptr);

    TStringGrid* StringGrid1 = nullptr;  // file, source account, destination account
    TButton* Button2 = nullptr;          // go to the move
    TButton* Button3 = nullptr;          // open the file
    TButton* Button1 = nullptr;          // close

    // One per grid line from line 1 on.
    struct TFileRecord {
        int SrcBillId = 0;
        int MoveId = 0;
        int DestBillId = 0;
        int TwinId = 0;
        AnsiString Name;
        AnsiString Bytes;
    };
    std::vector<TFileRecord> Records;

    void StringGrid1SelectCell(int col, int row, bool& canSelect);
    void Button1Click();
    void Button2Click();
    void Button3Click();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    void SwitchButtons(int col);
};

// "T:Group-Account" for an account: the first character of its type's name, its group's name
// and its own; empty when there is no such account in a group.
AnsiString AccountPathText(int billId);

extern TForm18* Form18;

}  // namespace qm
