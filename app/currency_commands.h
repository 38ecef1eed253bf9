// The currencies command and the writing of the currencies dialog's grid.
#pragma once

#include <vector>

#include "app/balances.h"

namespace qm {

class TForm1;

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

// Connects Action17 to the currencies dialog. Runs once per window; later calls do nothing.
void ConnectCurrencyCommands(TForm1& form);

}  // namespace qm
