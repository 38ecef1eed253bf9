// TForm14, the charts report dialog: a pie of the groups of an account type, a pie of the
// accounts of a group, or up to five accounts over time in buckets of days, weeks, months or
// years, by their moves or by their balances, drawn as lines or bars. Create adds the chart as
// a new report tab.
#pragma once

#include <QMenu>  // the speed button keeps a guarded pointer to its menu
#include <vector>

#include "controls/speed_button.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm14 : public TForm {
    Q_OBJECT
  public:
    explicit TForm14(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;  // from
    TDateTimePicker* DateTimePicker1 = nullptr;
    TLabel* Label4 = nullptr;  // to
    TDateTimePicker* DateTimePicker2 = nullptr;
    TRadioButton* RadioButton1 = nullptr;  // pies
    TPanel* Panel1 = nullptr;
    TRadioButton* RadioButton3 = nullptr;    // pie of the groups of a type
    TComboBox* ComboBox1 = nullptr;          // types
    TRadioButton* RadioButton4 = nullptr;    // pie of the accounts of a group
    TComboBox* ComboBox2 = nullptr;          // groups
    TRadioButton* RadioButton2 = nullptr;    // time chart
    TListBox* ListBox1 = nullptr;            // chosen accounts, five at most
    TRxSpeedButton* SpeedButton1 = nullptr;  // "<": choose
    TRxSpeedButton* SpeedButton2 = nullptr;  // ">": give back
    TListBox* ListBox2 = nullptr;            // available accounts
    TLabel* Label2 = nullptr;
    TComboBox* ComboBox3 = nullptr;  // days, weeks, months, years
    TComboBox* ComboBox4 = nullptr;  // by moves, by balances
    TCheckBox* CheckBox1 = nullptr;  // bars instead of lines
    TButton* Button1 = nullptr;      // create
    TButton* Button2 = nullptr;      // close

    // The ids behind the items of ComboBox1, ComboBox2, ListBox1 and ListBox2.
    std::vector<int> TypeIds, GroupIds, ChosenIds, AvailableIds;

    void RadioButton1Click();
    void RadioButton2Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click();
    void Button2Click();

    // Bucket indices of date D in a period starting at Start.
    static int Days(TDateTime Start, TDateTime D);
    static int Weeks(TDateTime Start, TDateTime D);  // weeks from the Monday of Start's week
    static int Months(TDateTime Start, TDateTime D);
    static int Years(TDateTime Start, TDateTime D);

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    void FillLists();
    AnsiString GroupPieText(const AnsiString& head, const AnsiString& d1, const AnsiString& d2,
                            long double mainRate) const;
    AnsiString AccountPieText(const AnsiString& head, const AnsiString& d1, const AnsiString& d2,
                              long double mainRate) const;
    AnsiString TimeChartText(const AnsiString& head, TDateTime start, TDateTime end,
                             long double mainRate) const;
};

extern TForm14* Form14;

}  // namespace qm
