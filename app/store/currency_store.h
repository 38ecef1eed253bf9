// The currency table as the currencies dialog's grid writes it: rows added, changed and deleted,
// with the group totals their rates convert.
#pragma once

#include <vector>

#include "app/store/balances.h"

namespace qm {

// One grid row of the currencies dialog.
struct CurrencyRow {
    int id = -1;  // -1: a row added in the grid
    AnsiString name, shortName;
    AnsiString rate;        // the expression as typed, decimal comma included
    long double value = 1;  // its value, neither 0 nor the evaluator's error value
};

// Whether a rate expression's value can be saved: neither 0 nor the evaluator's error value, and
// its reciprocal, the stored `kurs`, a number the file holds that does not become 0 there (a
// rate that converts nothing).
bool SavableRate(long double value);

// Deletes the currencies of `deletedIds` (ids joined by ","), inserts the added rows, updates
// the others (kurs = 1 / value) and recalculates every group total, as one transaction.
void WriteCurrencies(TSQLiteDatabase& db, const std::vector<CurrencyRow>& rows,
                     const AnsiString& deletedIds, const PeriodFilter& period);

// The smallest currency id, -1 when there is none.
int FirstCurrencyId(TSQLiteDatabase& db);

}  // namespace qm
