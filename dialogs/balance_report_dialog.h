// TForm13, the balance report dialog: accounts of the income type and of the spending type, each
// section with its own period. Create sums each chosen account's moves in its period in the main
// currency and adds the report as a new report tab: both sections with their totals, and the
// income total less the spending total.
#pragma once

#include <QMenu>  // the speed button keeps a guarded pointer to its menu
#include <vector>

#include "controls/speed_button.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm13 : public TForm {
    Q_OBJECT
  public:
    explicit TForm13(QWidget* parent = nullptr);

    TGroupBox* GroupBox1 = nullptr;  // accounts of type 1
    TLabel* Label1 = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;
    TLabel* Label4 = nullptr;
    TDateTimePicker* DateTimePicker2 = nullptr;
    TListBox* ListBox1 = nullptr;            // chosen
    TListBox* ListBox2 = nullptr;            // available
    TRxSpeedButton* SpeedButton1 = nullptr;  // "<": choose
    TRxSpeedButton* SpeedButton2 = nullptr;  // ">": give back
    TGroupBox* GroupBox2 = nullptr;          // accounts of type 3
    TLabel* Label2 = nullptr;
    TDateTimePicker* DateTimePicker3 = nullptr;
    TLabel* Label3 = nullptr;
    TDateTimePicker* DateTimePicker4 = nullptr;
    TListBox* ListBox3 = nullptr;  // chosen
    TListBox* ListBox4 = nullptr;  // available
    TRxSpeedButton* SpeedButton3 = nullptr;
    TRxSpeedButton* SpeedButton4 = nullptr;
    TButton* Button5 = nullptr;  // create
    TButton* Button6 = nullptr;  // close

    void Button1Click();  // ListBox2 -> ListBox1
    void Button2Click();  // ListBox1 -> ListBox2
    void Button3Click();  // ListBox4 -> ListBox3
    void Button4Click();  // ListBox3 -> ListBox4
    void Button5Click();
    void Button6Click();

    // The account ids behind the four lists' entries, in entry order.
    std::vector<int> ChosenIds1, AvailableIds1, ChosenIds3, AvailableIds3;

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    void LayoutSection(TGroupBox* box, TLabel* fromLabel, TDateTimePicker* from, TLabel* toLabel,
                       TDateTimePicker* to, TListBox* chosen, TRxSpeedButton* choose,
                       TRxSpeedButton* giveBack, TListBox* available, int top);
};

// Moves the selected entry of `from` with its id to the end of `to`; without a selection only
// focuses `from`. `limit` > 0 refuses (silently) when `to` already holds that many entries.
void MoveListEntry(TListBox& from, std::vector<int>& fromIds, TListBox& to, std::vector<int>& toIds,
                   int limit = 0);

extern TForm13* Form13;

}  // namespace qm
