// TForm15, the print settings dialog: printer, paper margins in millimetres and the number of
// copies. The print command shows it before printing a report and reads its controls after it
// closes; Tag is 1 to print, 0 not. Margins and copies keep their values for the whole run.
#pragma once

#include <QStringList>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm15 : public TForm {
    Q_OBJECT
  public:
    explicit TForm15(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;  // printer
    TComboBox* ComboBox1 = nullptr;
    TGroupBox* GroupBox1 = nullptr;  // margins
    TLabel* Label2 = nullptr;
    TSpinEdit* SpinEdit1 = nullptr;  // left, mm
    TLabel* Label3 = nullptr;
    TSpinEdit* SpinEdit2 = nullptr;  // right, mm
    TLabel* Label4 = nullptr;
    TSpinEdit* SpinEdit3 = nullptr;  // top, mm
    TLabel* Label5 = nullptr;
    TSpinEdit* SpinEdit4 = nullptr;  // bottom, mm
    TLabel* Label6 = nullptr;
    TSpinEdit* SpinEdit5 = nullptr;  // copies
    TButton* Button1 = nullptr;      // print
    TButton* Button2 = nullptr;      // cancel

    // The installed printers in the platform's order, as listed in ComboBox1 at the last showing.
    QStringList PrinterNames;

    void Button1Click();
    void Button2Click();
    void SpinEdit5Change();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
};

extern TForm15* Form15;

}  // namespace qm
