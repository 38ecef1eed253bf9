// Writing an account's budget.
#include "app/store/budget_store.h"

#include "app/store/money_text.h"

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

}  // namespace qm
