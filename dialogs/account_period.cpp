// The account list and the period of the export and table report dialogs.
#include "dialogs/account_period.h"

#include "app/window/window_calls.h"

namespace qm {

TAccountList FillAccountList(TComboBox& list) {
    list.Items().Clear();
    TAccountList accounts;
    if (!DB) return accounts;
    auto t = DB->GetTable(
        "select bb.id, t.name, b.name, bb.name, bb.bill_type_id, bb.twosign from bill b, bill "
        "bb, bill_type t where b.bill_id = 0 and bb.bill_id = b.id and b.bill_type_id = t.id "
        "order by t.id, b.name, bb.name");
    for (; !t->Eof(); t->Next()) {
        accounts.Ids.push_back(static_cast<int>(t->FieldAsInteger(0)));
        accounts.Types.push_back(static_cast<int>(StrToIntDef(t->FieldAsString(4), 0)));
        accounts.TwoSign.push_back(t->FieldAsString(5).rfind('T', 0) == 0);
        list.Items().Add(Utf8ToAnsi(t->FieldAsString(1)).substr(0, 1) + ":" +
                         Utf8ToAnsi(t->FieldAsString(2)) + "-" + Utf8ToAnsi(t->FieldAsString(3)));
    }
    return accounts;
}

void CaptionAccountPeriod(TForm& form, int caption, TLabel& from, TLabel& to, TLabel& account,
                          TButton& ok, TButton& close) {
    form.SetCaption(MainWindow::Ui(caption));
    from.SetCaption(MainWindow::Ui(16));
    to.SetCaption(MainWindow::Ui(17));
    account.SetCaption(MainWindow::Ui(119));
    ok.SetCaption(MainWindow::Ui(5));
    close.SetCaption(MainWindow::Ui(6));
}

void FormatPeriod(TDateTimePicker& from, TDateTimePicker& to) {
    from.SetFormat(MainWindow::DateFormat());
    to.SetFormat(MainWindow::DateFormat());
}

}  // namespace qm
