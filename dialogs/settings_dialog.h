// TForm8, the settings dialog: the window and report title, the main currency, the display flags,
// the date format and the number of backup copies. OK writes straight into the main window's
// fields and the process-wide date formats; they reach the database when the main window writes
// every setting at its end. Cancel changes nothing.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm8 : public TForm {
    Q_OBJECT
  public:
    explicit TForm8(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;  // title
    TEdit* Edit1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;  // title in reports
    TLabel* Label2 = nullptr;        // main currency
    TComboBox* ComboBox1 = nullptr;
    TCheckBox* CheckBox2 = nullptr;  // two decimals in the tree
    TCheckBox* CheckBox3 = nullptr;  // negative amounts in red
    TGroupBox* GroupBox1 = nullptr;  // date formats
    TRadioButton* RadioButton1 = nullptr;
    TRadioButton* RadioButton2 = nullptr;
    TRadioButton* RadioButton3 = nullptr;
    TRadioButton* RadioButton4 = nullptr;
    TLabel* Label3 = nullptr;  // backup copies
    TSpinEdit* SpinEdit1 = nullptr;
    TButton* Button1 = nullptr;  // OK
    TButton* Button2 = nullptr;  // Cancel

    // The currency id behind each line of ComboBox1.
    std::vector<int> CurrencyIds;

    void Button1Click();
    void Button2Click();
    void SpinEdit1Change();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    int CheckedDateFormat() const;
};

extern TForm8* Form8;

}  // namespace qm
