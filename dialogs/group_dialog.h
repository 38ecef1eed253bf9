// TForm6, the group dialog: name, account type, currency and one display flag of an account
// group. The create and edit group commands preset it, show it and write the row themselves; the
// dialog fills its lists and reports OK (Tag 0) or Cancel (Tag -1).
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm6 : public TForm {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);

    TLabel* Label2 = nullptr;  // name
    TLabel* Label3 = nullptr;  // type
    TLabel* Label5 = nullptr;  // currency
    TEdit* Edit1 = nullptr;
    TComboBox* ComboBox1 = nullptr;  // account type
    TComboBox* ComboBox3 = nullptr;  // the currency group totals are converted into
    TCheckBox* CheckBox1 = nullptr;  // second twosign flag
    TButton* Button1 = nullptr;      // OK
    TButton* Button2 = nullptr;      // Cancel

    // The ids behind the items of ComboBox1 and ComboBox3, in item order.
    std::vector<int> TypeIds, CurrencyIds;
    // The currency to select when the dialog opens; kept between showings.
    int CurrencyId = 0;

    void Button1Click();
    void Button2Click();
    void FormKeyDown(int& key, TShiftState shift);

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
};

extern TForm6* Form6;

}  // namespace qm
