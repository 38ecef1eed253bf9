// TForm4, the budget dialog: the period, the amount and the renewal of one account's budget.
// The budget commands preset it, show it and write the account's row themselves; the dialog
// reports OK (Tag 1) or Cancel (Tag 0).
#pragma once

#include "controls/num_edit.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm4 : public TForm {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;                    // from
    TLabel* Label4 = nullptr;                    // to
    TLabel* Label2 = nullptr;                    // amount
    TLabel* Label3 = nullptr;                    // what renewing does
    TDateTimePicker* DateTimePicker1 = nullptr;  // first day of the period
    TDateTimePicker* DateTimePicker2 = nullptr;  // last day of the period
    TRxCalcEdit* RxCalcEdit1 = nullptr;          // the budget amount
    TCheckBox* CheckBox1 = nullptr;              // renew for the next period
    TButton* Button1 = nullptr;                  // OK
    TButton* Button2 = nullptr;                  // Cancel

    void Button1Click();
    void Button2Click();
    void FormKeyDown(int& key, TShiftState shift);

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
};

extern TForm4* Form4;

}  // namespace qm
