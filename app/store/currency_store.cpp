// Writing the currency table.
#include "app/store/currency_store.h"

#include <cmath>
#include <limits>

#include "app/store/amounts.h"
#include "app/store/money_text.h"
#include "app/store/move_store.h"

namespace qm {

bool SavableRate(long double value) {
    if (value == CalcErrorValue || value == 0) return false;
    const long double kurs = 1 / value;
    return StorableNumber(kurs) && std::fabs(kurs) >= std::numeric_limits<double>::min();
}

namespace {

// A name that still reads as the code page shows the stored one keeps the stored bytes
// (WriteBackUtf8), so that a currency whose name the code page cannot show survives the dialog
// confirmed unchanged.
void UpdateCurrency(TSQLiteDatabase& db, const CurrencyRow& r, const AnsiString& kurs) {
    auto old = db.GetTable("select name, short_name from currency where id = " + IntToStr(r.id));
    const std::string name = old->Eof() ? std::string() : old->FieldAsString(0);
    const std::string shortName = old->Eof() ? std::string() : old->FieldAsString(1);
    db.ExecSQL("update currency set name = '" + QuotedSqlText(WriteBackUtf8(r.name, name)) +
               "', short_name = '" + QuotedSqlText(WriteBackUtf8(r.shortName, shortName)) +
               "', kurs = " + kurs + ", kurs_str = '" + SqlText(r.rate) +
               "' where id = " + IntToStr(r.id));
}

}  // namespace

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
            UpdateCurrency(db, r, kurs);
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

}  // namespace qm
