// The moves the balance and charts reports count, read account by account through statements
// prepared once per report, each amount rounded to cents as the reports count it.
//
// Invariants the report texts rely on:
//  1. An account's moves are counted in the order of their row ids, whatever order the engine
//     delivers them in (an index over the account and the date delivers them by date). Sums are
//     kept in extended precision, where the order of the additions can decide the last digit,
//     and with it the rounding of a total that lands on half a cent.
//  2. A stored amount counts as the number its text reads as (the text the database layer gives
//     for it: decimal comma, up to 15 significant digits), rounded to cents halves to even; one
//     stored value always counts the same, so it is worked out once per distinct value.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "app/store/progress.h"
#include "db/sqlite_statement.h"

namespace qm {

// The cents of stored amounts, worked out once per distinct stored value.
class TReportCents {
  public:
    // The amount in field `col` of the statement's current row.
    long double Of(const TSQLiteStatement& row, int col);

  private:
    std::unordered_map<uint64_t, long double> numeric_;  // by the bits of the stored double
};

struct TReportMove {
    int64_t Id = 0;
    long double Cents = 0;
    int32_t Date = -1;  // where TAccountMoves keeps its date, when asked to read dates
};

// The moves of one account at a time that satisfy a condition on their date.
class TAccountMoves {
  public:
    // `condition` is SQL on `ts` with one "?" per date bound by Of, in order, such as
    // "ts >= ? and ts <= ?". With `withDates` each move carries its date.
    TAccountMoves(TSQLiteDatabase& db, const AnsiString& condition, bool withDates);

    // The account's moves for these dates, in row id order (invariant 1). The vector is reused
    // by the next call.
    const std::vector<TReportMove>& Of(int64_t accountId, const std::vector<AnsiString>& dates);
    // A move's date ("yyyymmdd" as stored) from the last call; empty without dates.
    const AnsiString& DateOf(const TReportMove& move) const;

  private:
    TSQLiteStatement statement_;
    bool withDates_;
    TReportCents cents_;
    std::vector<TReportMove> moves_;
    std::vector<AnsiString> dates_;  // apart from the moves, which are sorted often
};

// The sum of the moves' cents in their order; each is subtracted instead when `reversed` (the
// reports show an income account's moves with their sign reversed).
long double SumOfMoves(const std::vector<TReportMove>& moves, bool reversed);

// The rate of an account's currency as the reports read it: `fallback` when the account or
// its currency is gone. One statement for every account of a report.
class TAccountRates {
  public:
    explicit TAccountRates(TSQLiteDatabase& db);
    long double Of(int64_t accountId, long double fallback);

  private:
    TSQLiteStatement statement_;
};

}  // namespace qm
