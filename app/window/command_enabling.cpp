// Command enabling: the main menu's actions, the two pop-up menus and the header buttons are
// switched together for the situation the window is in.
#include <QAction>

#include "app/window/main_window.h"

namespace qm {

namespace {
void Enable(QAction* a, bool on) {
    a->setEnabled(on);
}
}  // namespace

int TForm1::GetBillPosKind() const {
    for (const TBillTypeView& view : BillTypeViews) {
        const auto& rows = view.Rows;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].Id != SelectBill) continue;
            const bool first = i == 0;
            const bool last = i + 1 == rows.size();
            if (rows[i].OpenState != -1) {
                // A group is compared with the group rows after it.
                bool laterGroup = false;
                for (size_t j = i + 1; j < rows.size(); ++j)
                    if (rows[j].OpenState != -1) laterGroup = true;
                if (laterGroup) return first ? -1 : 0;
                return first ? 2 : 1;
            }
            const bool prevAccount = !first && rows[i - 1].OpenState == -1;
            if (last || rows[i + 1].OpenState != -1) return prevAccount ? 1 : 2;
            return prevAccount ? 0 : -1;
        }
    }
    return 0;
}

void TForm1::DoEnable(int mode) {
    const bool group = mode == 1, account = mode == 2, none = mode == 3, ledger = mode == 4,
               editing = mode == 5;
    const bool tree = mode <= 3;
    const int shown = PopupMenu1Tag;
    const bool treeHasRows = shown >= 0 && shown < static_cast<int>(BillTypeViews.size()) &&
                             !BillTypeViews[shown].Rows.empty();
    if (tree) {
        Enable(N(1), account);
        Enable(N(2), account);
        Enable(N(3), !none || treeHasRows);
        Enable(N(8), group);
        Enable(N(9), group);
        Enable(N(10), true);
        const int kind = GetBillPosKind();
        Enable(N(12), kind != -1 && kind != 2);
        const int kind2 = GetBillPosKind();
        Enable(N(13), kind2 != 1 && kind2 != 2);
        // Budget items belong to spending accounts only.
        bool budgets = account && BudgetRowIndex != -1;
        long double budget = 0;
        if (budgets && BillTypeViews.size() > 2 &&
            BudgetRowIndex < static_cast<int>(BillTypeViews[2].Rows.size()))
            budget = BillTypeViews[2].Rows[BudgetRowIndex].Budget;
        for (int n : {19, 20, 21, 22}) N(n)->setVisible(budgets);
        Enable(N(20), budgets && budget == 0);
        Enable(N(21), budgets && budget > 0);
        Enable(N(22), budgets && budget > 0);
    }
    Enable(Action(15), account);
    Enable(Action(16), account);
    Enable(Action(14), tree && (!none || treeHasRows));
    Enable(Action(18), tree);
    Enable(Action(27), group);
    Enable(Action(28), group);
    Enable(Action(17), true);
    Enable(Action(3), editing);
    const bool selected = ledger && SelectMove > 0;
    Enable(Action(19), ledger);
    Enable(N(5), ledger);
    for (int a : {20, 4, 21}) Enable(Action(a), selected);
    for (int n : {6, 18, 7}) Enable(N(n), selected);
    Enable(Action(11), ledger);
    Enable(Action(29), ledger && FilterEnabled && !FindText.empty());

    auto& buttons = HeadButtons.Groups;
    if (tree && buttons[1].size() == 7) {
        const bool on[3][7] = {{true, false, false, true, true, true, true},
                               {true, true, true, true, true, false, false},
                               {treeHasRows, false, false, true, true, false, false}};
        for (int b = 0; b < 7; ++b)
            if (b != 3) buttons[1][b].Enabled = on[mode - 1][b];
    } else if (!tree && buttons[0].size() == 6) {
        buttons[0][0].Enabled = editing;
        buttons[0][1].Enabled = ledger;
        for (int b = 2; b < 6; ++b) buttons[0][b].Enabled = selected;
    }
    PaintHead();
}

}  // namespace qm
