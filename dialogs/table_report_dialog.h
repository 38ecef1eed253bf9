// TForm16, the table report dialog: one account and a period. OK lists every move of the account
// in the period as a new report tab, with the moves split into two amount columns and their sums.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm16 : public TForm {
    Q_OBJECT
  public:
    explicit TForm16(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;  // from
    TDateTimePicker* DateTimePicker1 = nullptr;
    TLabel* Label4 = nullptr;  // to
    TDateTimePicker* DateTimePicker2 = nullptr;
    TLabel* Label2 = nullptr;  // account
    TComboBox* ComboBox1 = nullptr;
    TButton* Button1 = nullptr;  // OK
    TButton* Button2 = nullptr;  // close

    // Parallel to ComboBox1's items: the accounts' ids and types.
    std::vector<int> BillIds;
    std::vector<int> BillTypes;

    void Button1Click();
    void Button2Click();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
};

// The table report text of one account's moves from `from` to `to` ("yyyymmdd", both included).
// `item` is the account's list text, `type` its account type.
AnsiString TableReportText(int billId, int type, const AnsiString& item, TDateTime from,
                           TDateTime to);

extern TForm16* Form16;

}  // namespace qm
