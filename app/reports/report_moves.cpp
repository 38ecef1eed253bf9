// Reading the moves of the reports account by account.
#include "app/reports/report_moves.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/reports/report_text.h"
#include "app/store/money_text.h"

namespace qm {

namespace {

// The cents of a stored value without its text, where the text cannot change them. The text has
// 15 significant digits, so it lies within 5e-15 of the value relative to it; read back and
// multiplied by 100 it rounds to the same whole number as the value itself unless the value's
// hundredths lie that close to a half. Values of a size the text writes with an exponent, and
// those near a half, are left to the text (false).
bool CentsWithoutText(double value, long double& cents) {
    if (value == 0) {
        cents = 0;  // "0", whatever the sign of the zero
        return true;
    }
    const long double magnitude = std::fabs(static_cast<long double>(value));
    if (!(magnitude >= 1e-5L && magnitude < 1e15L)) return false;
    const long double hundredths = static_cast<long double>(value) * 100;
    const long double fraction = hundredths - std::floor(hundredths);
    if (std::fabs(fraction - 0.5L) <= 1e-9L * std::max(1.0L, std::fabs(hundredths))) return false;
    cents = RoundHalfEven(hundredths) / 100;
    return true;
}

}  // namespace

long double TReportCents::Of(const TSQLiteStatement& row, int col) {
    if (row.ColumnType(col) != dtNumeric || row.IsNull(col))
        return RoundCents(ReportNumber(row.FieldAsString(col)));
    const double value = row.FieldAsDouble(col);
    long double cents = 0;
    if (CentsWithoutText(value, cents)) return cents;
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    auto known = numeric_.find(bits);
    if (known == numeric_.end())
        known = numeric_.emplace(bits, RoundCents(ReportNumber(row.FieldAsString(col)))).first;
    return known->second;
}

TAccountMoves::TAccountMoves(TSQLiteDatabase& db, const AnsiString& condition, bool withDates)
    : statement_(db, AnsiString("select id, amount") + (withDates ? ", ts" : "") +
                         " from bill_move where src_bill_id = ? and " + condition),
      withDates_(withDates) {}

const std::vector<TReportMove>& TAccountMoves::Of(int64_t accountId,
                                                  const std::vector<AnsiString>& dates) {
    moves_.clear();
    dates_.clear();
    statement_.Bind(1, accountId);
    for (size_t i = 0; i < dates.size(); ++i) statement_.Bind(static_cast<int>(i) + 2, dates[i]);
    while (statement_.Step()) {
        TReportMove move;
        move.Id = statement_.RawInteger(0);  // the row id, never NULL
        move.Cents = cents_.Of(statement_, 1);
        if (withDates_) {
            move.Date = static_cast<int32_t>(dates_.size());
            dates_.push_back(statement_.FieldAsString(2));
        }
        moves_.push_back(move);
    }
    const auto byId = [](const TReportMove& a, const TReportMove& b) { return a.Id < b.Id; };
    if (!std::is_sorted(moves_.begin(), moves_.end(), byId))
        std::sort(moves_.begin(), moves_.end(), byId);
    return moves_;
}

const AnsiString& TAccountMoves::DateOf(const TReportMove& move) const {
    static const AnsiString none;
    return move.Date >= 0 && move.Date < static_cast<int32_t>(dates_.size()) ? dates_[move.Date]
                                                                             : none;
}

long double SumOfMoves(const std::vector<TReportMove>& moves, bool reversed) {
    long double sum = 0;
    for (const TReportMove& move : moves) sum = reversed ? sum - move.Cents : sum + move.Cents;
    return sum;
}

TAccountRates::TAccountRates(TSQLiteDatabase& db)
    : statement_(db,
                 "select c.kurs from currency c, bill b where b.currency_id = c.id and b.id = ?") {}

long double TAccountRates::Of(int64_t accountId, long double fallback) {
    if (!statement_.Bind(1, accountId).Step()) return fallback;
    const long double rate = ReportNumber(statement_.FieldAsString(0));
    statement_.Reset();
    return rate;
}

}  // namespace qm
