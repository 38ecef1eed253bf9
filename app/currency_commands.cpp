// The currencies command and the writing of the currency table.
#include "app/currency_commands.h"

#include <QAction>
#include <cmath>
#include <limits>

#include "app/amounts.h"
#include "app/money_text.h"
#include "app/move_store.h"
#include "app/unit1.h"
#include "dialogs/currencies_dialog.h"

namespace qm {

bool SavableRate(long double value) {
    if (value == CalcErrorValue || value == 0) return false;
    const long double kurs = 1 / value;
    return StorableNumber(kurs) && std::fabs(kurs) >= std::numeric_limits<double>::min();
}

void WriteCurrencies(TSQLiteDatabase& db, const std::vector<CurrencyRow>& rows,
                     const AnsiString& deletedIds, const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    if (!deletedIds.empty()) db.ExecSQL("delete from currency where id in (" + deletedIds + ")");
    for (const CurrencyRow& r : rows) {
        const AnsiString kurs = SqlNumberText(1 / r.value);
        if (r.id == -1)
            db.ExecSQL("insert into currency (name,short_name,kurs,kurs_str) values ('" +
                       SqlText(r.name) + "','" + SqlText(r.shortName) + "'," + kurs + ",'" +
                       SqlText(r.rate) + "')");
        else
            db.ExecSQL("update currency set name = '" + SqlText(r.name) + "', short_name = '" +
                       SqlText(r.shortName) + "', kurs = " + kurs + ", kurs_str = '" +
                       SqlText(r.rate) + "' where id = " + IntToStr(r.id));
    }
    // Group totals are converted through the rates.
    auto groups = db.GetTable("select id from bill where bill_id = 0");
    for (; !groups->Eof(); groups->Next()) CalcBillAmount(db, groups->FieldAsString(0), period);
    tr.Commit();
}

int FirstCurrencyId(TSQLiteDatabase& db) {
    auto t = db.GetTable("select id from currency order by id limit 0,1");
    return t->Eof() ? -1 : static_cast<int>(t->FieldAsInteger(0));
}

void ConnectCurrencyCommands(TForm1& form) {
    static const char* const kConnected = "qmCurrencyCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    // The tree header's currencies button triggers the same action; DoEnable keeps it enabled.
    QObject::connect(form.Action(17), &QAction::triggered, &form, [] {
        if (Form3 && DB) Form3->ShowModal();
    });
}

}  // namespace qm
