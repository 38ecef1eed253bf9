// TForm2, the account dialog: name, account type, group, currency and two display flags of an
// account. The create and edit account commands preset it, show it and write the row themselves;
// the dialog fills its lists and reports OK (Tag 0) or Cancel (Tag -1).
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm2 : public TForm {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    TLabel* Label2 = nullptr;  // name
    TLabel* Label3 = nullptr;  // type
    TLabel* Label4 = nullptr;  // group
    TLabel* Label5 = nullptr;  // currency
    TEdit* Edit1 = nullptr;
    TComboBox* ComboBox1 = nullptr;  // account type
    TComboBox* ComboBox2 = nullptr;  // groups of the chosen type
    TComboBox* ComboBox3 = nullptr;  // currency
    TCheckBox* CheckBox2 = nullptr;  // two decimals in the account's ledger
    TCheckBox* CheckBox1 = nullptr;  // left out of the correspondent list
    TButton* Button1 = nullptr;      // OK
    TButton* Button2 = nullptr;      // Cancel

    // The ids behind the items of ComboBox1, ComboBox2 and ComboBox3, in item order.
    std::vector<int> TypeIds, GroupIds, CurrencyIds;
    int GroupId = 0;     // the group to select when the group list is filled; 0 none
    int CurrencyId = 0;  // the currency to select when the dialog opens

    // Refills the group list for the chosen type.
    void ComboBox1Change();
    void Button1Click();
    void Button2Click();
    void FormKeyDown(int& key, TShiftState shift);

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
};

// OK is refused while one of `lists` has nothing chosen: a notice names what is missing (the
// list's caption from the texts table), after the text `notice` of that table when one is given,
// and that list takes the focus. Shared by the account and group dialogs, whose callers read the
// id behind each chosen item.
bool ListsChosen(TForm& form, std::initializer_list<std::pair<TComboBox*, int>> lists,
                 int notice = -1);

// Fills `list` and `ids` from a query of (id, name[, short name]) rows, texts in UTF-8; an
// item's text is its texts joined by a blank. Nothing is chosen.
void FillIdList(TComboBox& list, std::vector<int>& ids, const AnsiString& sql);
// Chooses the item whose id is `id`, else the first (none in an empty list).
void ChooseId(TComboBox& list, const std::vector<int>& ids, int id);

extern TForm2* Form2;

}  // namespace qm
