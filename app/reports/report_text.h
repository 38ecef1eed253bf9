// The pieces every report shares: reading a report text line by line and cell by cell, its
// amount text, and handing a finished report to the main window as a new report tab.
//
// A report text is 8-bit text whose lines end with character 13; cells are separated by
// character 1; characters below 10 at the start of a cell are marks (2 bold, 3 a total's rule,
// 4 a gap) that every reader strips before measuring or drawing.
#pragma once

#include <vector>

#include "platform/ansistring.h"
#include "platform/sysutils.h"

namespace qm {

class TForm1;

// Report ids of a report tab (THeadTab::Id of a Kind 2 tab).
enum TReportId : int { riCharts = 0, riTable = 1, riBalance = 2 };

// Cuts the first line off `text` and returns it; the text keeps what follows its character 13.
// A last line without its terminator is taken as a line all the same. Each cut copies what
// remains: reading a whole text goes through TLineReader.
AnsiString CutLine(AnsiString& text);

// The lines of a text one after another, as CutLine cuts them, without copying what remains: a
// table report of 100,000 lines is read in one pass.
class TLineReader {
  public:
    explicit TLineReader(const AnsiString& text) : text_(text) {}
    bool AtEnd() const { return pos_ >= text_.size(); }
    // The next line (empty at the end).
    AnsiString Next();

  private:
    const AnsiString& text_;
    size_t pos_ = 0;
};
// The parts of `line` between `separator`s, cut one after another until nothing is left: a
// trailing empty part is not a part, an empty line has none.
std::vector<AnsiString> CutParts(const AnsiString& line, char separator);
// The cell without its leading marks (all characters below 10).
AnsiString StripMarks(const AnsiString& cell);
bool HasMark(const AnsiString& cell, char mark);

// Two decimals, a decimal comma, at least one digit before it, "-" for a negative value.
AnsiString ReportAmountText(long double value);
// The value rounded to whole hundredths, halves to even.
long double RoundCents(long double value);
// A number text with the decimal comma (or point); a text that is no number counts as 0.
long double ReportNumber(const AnsiString& text);
// The rate of a currency or account from a query whose first field is the rate; `fallback` when
// the query has no row.
long double RateFrom(const AnsiString& sql, long double fallback);
// The main currency's rate; 1 when the currency is gone or its rate is 0, so that a report
// shows unconverted amounts instead of dividing by zero.
long double MainRate(const TForm1& form);

// A date in the window's display format; a stored "yyyymmdd" that is no date stays as it is.
AnsiString ReportDate(const TForm1& form, TDateTime date);
AnsiString ReportDateOfYmd(const TForm1& form, const AnsiString& ymd);

// Appends a report tab with its caption, makes it current with the tab-switch bookkeeping (the
// period bar hidden, the print button shown and focused) and paints it.
void AddReportTab(TForm1& form, int reportId, const AnsiString& text);
// The caption of a report tab: the charts, the table or the balance.
AnsiString ReportCaption(const TForm1& form, int reportId);

}  // namespace qm
