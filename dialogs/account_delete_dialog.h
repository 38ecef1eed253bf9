// TForm5, the account deletion or transfer dialog: deletes the account selected in the tree
// together with its moves, or first gives its moves to another account of the same type. It
// writes, recalculates and repaints itself.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm5 : public TForm {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;        // what deleting loses, and the way out
    TComboBox* ComboBox1 = nullptr;  // the account to give the moves to
    TButton* Button1 = nullptr;      // Cancel
    TButton* Button2 = nullptr;      // delete with the moves
    TButton* Button3 = nullptr;      // give the moves away, then delete

    // The bill.id behind each item of ComboBox1.
    std::vector<int> TargetIds;

    void Button1Click();
    void Button2Click();
    void Button3Click();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    // The deleted account's tabs go, the ledgers that showed it load afresh, the selection
    // falls back to the first tree row, and the window repaints.
    void Finish(int deleted, const std::vector<int>& involved);
};

extern TForm5* Form5;

}  // namespace qm
