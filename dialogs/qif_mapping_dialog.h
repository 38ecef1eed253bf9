// TForm17, the QIF import mapping dialog: every account found in a QIF file is given one of the
// three account types before the import writes anything. The caller fills FreeItems and ListBox2
// alike; afterwards Tag 1 means OK, with TypeItems holding the assignment, and Tag 0 cancelled.
#pragma once

#include <QMenu>  // the speed button keeps a pointer to its drop-down menu
#include <array>
#include <vector>

#include "controls/speed_button.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm17 : public TForm {
    Q_OBJECT
  public:
    explicit TForm17(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;
    TComboBox* ComboBox1 = nullptr;          // the three account types
    TListBox* ListBox1 = nullptr;            // accounts given the chosen type
    TRxSpeedButton* SpeedButton1 = nullptr;  // "<": give the chosen type
    TRxSpeedButton* SpeedButton2 = nullptr;  // ">": take it back
    TListBox* ListBox2 = nullptr;            // accounts without a type yet
    TButton* Button1 = nullptr;              // OK
    TButton* Button2 = nullptr;              // Cancel

    // Invariant: every position the caller gave is in exactly one of FreeItems and the three
    // TypeItems; FreeItems runs parallel to the lines of ListBox2, TypeNames[t] to TypeItems[t].
    std::vector<int> FreeItems;
    std::array<std::vector<int>, 3> TypeItems;
    std::array<std::vector<AnsiString>, 3> TypeNames;

    void ComboBox1Change();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click();
    void Button2Click();

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    // The chosen type's index 0..2, or -1.
    int ChosenType() const;
};

extern TForm17* Form17;

}  // namespace qm
