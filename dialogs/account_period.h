// The half that the spreadsheet export and the table report dialogs share: one account picked
// from a list of every account, and a period of two dates.
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

// The accounts of the list, in the order of its items.
struct TAccountList {
    std::vector<int> Ids;
    std::vector<int> Types;
    std::vector<bool> TwoSign;
};

// Fills `list` with every account as "T:Group-Account" (T the first letter of its type), by
// type, group name and account name. Empty without a database.
TAccountList FillAccountList(TComboBox& list);

// Captions the form (texts entry `caption`), the period's two labels, the account's label and
// the two buttons.
void CaptionAccountPeriod(TForm& form, int caption, TLabel& from, TLabel& to, TLabel& account,
                          TButton& ok, TButton& close);

// Both dates shown in the main window's date format.
void FormatPeriod(TDateTimePicker& from, TDateTimePicker& to);

}  // namespace qm
