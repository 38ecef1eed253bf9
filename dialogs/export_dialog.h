// TForm9, the spreadsheet export dialog: the user picks an account and a period; the export
// button asks for a file name and writes the account's moves of the period as a workbook, as
// the ledger shows them. The dialog closes after an export; its Tag is not used.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/filedialogs.h"
#include "platform/forms.h"

namespace qm {

class TForm9 : public TForm {
    Q_OBJECT
  public:
    explicit TForm9(QWidget* parent = nullptr);

    TLabel* Label2 = nullptr;  // account
    TComboBox* ComboBox1 = nullptr;
    TLabel* Label1 = nullptr;  // from
    TDateTimePicker* DateTimePicker1 = nullptr;
    TLabel* Label4 = nullptr;  // to
    TDateTimePicker* DateTimePicker2 = nullptr;
    TButton* Button1 = nullptr;  // export
    TButton* Button2 = nullptr;  // close
    TOpenDialog OpenDialog1;     // any name, also of a file that does not exist yet

    // Parallel to the items of ComboBox1.
    std::vector<int> AccountIds;
    std::vector<int> AccountTypes;
    std::vector<bool> AccountTwoSign;

    void Button1Click();
    void Button2Click();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
};

extern TForm9* Form9;

}  // namespace qm
