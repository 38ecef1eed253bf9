// Report text reading, amount texts and the report tab hand-over.
#include "app/reports/report_text.h"

#include "app/reports/report_paint.h"
#include "app/store/money_text.h"
#include "app/window/main_window.h"

namespace qm {

AnsiString CutLine(AnsiString& text) {
    const size_t end = text.find('\r');
    AnsiString line = text.substr(0, end);
    text = end == AnsiString::npos ? AnsiString() : text.substr(end + 1);
    return line;
}

AnsiString TLineReader::Next() {
    if (AtEnd()) return {};
    size_t end = text_.find('\r', pos_);
    if (end == AnsiString::npos) end = text_.size();
    AnsiString line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return line;
}

std::vector<AnsiString> CutParts(const AnsiString& line, char separator) {
    std::vector<AnsiString> parts;
    size_t pos = 0;
    while (pos < line.size()) {
        size_t end = line.find(separator, pos);
        if (end == AnsiString::npos) end = line.size();
        parts.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

AnsiString StripMarks(const AnsiString& cell) {
    size_t i = 0;
    while (i < cell.size() && static_cast<unsigned char>(cell[i]) < 10) ++i;
    return cell.substr(i);
}

bool HasMark(const AnsiString& cell, char mark) {
    return cell.find(mark) != AnsiString::npos;
}

AnsiString ReportAmountText(long double value) {
    return CentsText(value, ',');
}

long double RoundCents(long double value) {
    return RoundHalfEven(value * 100) / 100;
}

long double ReportNumber(const AnsiString& text) {
    AnsiString t = Trim(text);
    for (char& ch : t)
        if (ch == ',' || ch == '.') ch = FormatSettings().DecimalSeparator;
    long double v = 0;
    return TryStrToFloat(t, v) ? v : 0;
}

long double RateFrom(const AnsiString& sql, long double fallback) {
    if (!DB) return fallback;
    auto t = DB->GetTable(sql);
    return t->Eof() ? fallback : ReportNumber(t->FieldAsString(0));
}

long double MainRate(const TForm1& form) {
    const long double rate = RateFrom(
        "select kurs, short_name from currency where id = " + IntToStr(form.MainCurrencyId), 1);
    return rate == 0 ? 1 : rate;
}

AnsiString ReportDate(const TForm1& form, TDateTime date) {
    return FormatDateTime(form.DateFormat, date);
}

AnsiString ReportDateOfYmd(const TForm1& form, const AnsiString& ymd) {
    try {
        return ReportDate(form, YmdToDate(ymd));
    } catch (const EConvertError&) {
        return ymd;
    }
}

AnsiString ReportCaption(const TForm1& form, int reportId) {
    switch (reportId) {
        case riCharts:
            return form.Ui(139);
        case riTable:
            return form.Ui(57);
        default:
            return form.Ui(141);
    }
}

void AddReportTab(TForm1& form, int reportId, const AnsiString& text) {
    THeadTab tab;
    tab.Kind = tkReport;
    tab.Id = reportId;
    tab.Caption = ReportCaption(form, reportId);
    tab.SelMove = -1;
    tab.ReportText = text;
    ForgetWhereReportsStand();
    Head.HeadTabs.push_back(std::move(tab));
    form.SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
}

}  // namespace qm
