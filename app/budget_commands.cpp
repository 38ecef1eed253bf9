// The budget commands of the tree.
#include "app/budget_commands.h"

#include <QAction>

#include "app/money_text.h"
#include "app/unit1.h"
#include "dialogs/budget_dialog.h"
#include "platform/dialogs.h"

namespace qm {

void WriteBudget(TSQLiteDatabase& db, int id, const BudgetFields& f, const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill set budget = " + SqlNumberText(f.amount) + ", budget_date_from = '" +
               f.from + "', budget_date_to = '" + f.to + "', budget_type = '" +
               (f.renew ? "T" : "F") + "' where id = " + IntToStr(id));
    CalcBillAmount(db, IntToStr(id), period);
    tr.Commit();
}

void WriteBudgetPeriod(TSQLiteDatabase& db, int id, const AnsiString& from, const AnsiString& to,
                       const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill set budget_date_from = '" + from + "', budget_date_to = '" + to +
               "' where id = " + IntToStr(id));
    CalcBillAmount(db, IntToStr(id), period);
    tr.Commit();
}

namespace {

// The budget belongs to an account; a group or a row gone since the tree was painted has none.
bool SelectedAccount() {
    if (SelectBill == -1 || !DB || !Form4) return false;
    auto t = DB->GetTable("select bill_id from bill where id = " + IntToStr(SelectBill));
    return !t->Eof() && StrToIntDef(t->FieldAsString(0), 0) != 0;
}

// A stored "yyyymmdd" date, or today when the row has none.
TDateTime StoredDate(const AnsiString& ymd) {
    try {
        return YmdToDate(ymd);
    } catch (const EConvertError&) {
        return Date();
    }
}

// The tree's paint finds the account's new budget; the budget items follow it.
void RepaintTree(TForm1& form) {
    if (CurrentTab().Kind != tkTree) return;
    form.PaintMain();
    form.DoEnable(2);
}

// Shows the dialog as preset; on OK writes what it holds.
void ShowAndWrite(TForm1& form) {
    TForm4& d = *Form4;
    d.ShowModal();
    if (d.Tag != 1) return;
    BudgetFields f;
    f.amount = d.RxCalcEdit1->Value();
    f.from = DateToYmd(d.DateTimePicker1->Date());
    f.to = DateToYmd(d.DateTimePicker2->Date());
    f.renew = d.CheckBox1->Checked();
    WriteBudget(*DB, SelectBill, f, form.Period());
    RepaintTree(form);
}

}  // namespace

void N20Click(TForm1& form) {
    if (!SelectedAccount()) return;
    TForm4& d = *Form4;
    d.DateTimePicker1->SetDate(Date());
    d.DateTimePicker2->SetDate(Date());
    d.RxCalcEdit1->SetValue(0);
    d.CheckBox1->SetChecked(false);
    ShowAndWrite(form);
}

void N21Click(TForm1& form) {
    if (!SelectedAccount()) return;
    auto t = DB->GetTable(
        "select budget, budget_type, budget_date_from, budget_date_to from bill where id = " +
        IntToStr(SelectBill));
    TForm4& d = *Form4;
    d.DateTimePicker1->SetDate(StoredDate(t->FieldAsString(2)));
    d.DateTimePicker2->SetDate(StoredDate(t->FieldAsString(3)));
    long double amount = 0;
    if (!TryStrToFloat(t->FieldAsString(0), amount)) amount = 0;
    d.RxCalcEdit1->SetValue(amount);
    d.CheckBox1->SetChecked(t->FieldAsString(1) == "T");
    ShowAndWrite(form);
}

void N22Click(TForm1& form) {
    if (!SelectedAccount()) return;
    if (MessageBox(&form, form.Ui(105), form.Ui(106), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // The period and the renewal stay, so that a later edit offers them again.
    DB->ExecSQL("update bill set budget = 0 where id = " + IntToStr(SelectBill));
    RepaintTree(form);
}

void ConnectBudgetCommands(TForm1& form) {
    static const char* const kConnected = "qmBudgetCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    TForm1* f = &form;
    QObject::connect(form.N(20), &QAction::triggered, f, [f] { N20Click(*f); });
    QObject::connect(form.N(21), &QAction::triggered, f, [f] { N21Click(*f); });
    QObject::connect(form.N(22), &QAction::triggered, f, [f] { N22Click(*f); });
}

}  // namespace qm
