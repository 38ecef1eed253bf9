// The settings in table param: read at start-up into the window's fields and controls, written
// back at shut-down.
#include <QMenuBar>
#include <cstdint>

#include "app/window/main_window.h"
#include "platform/sysutils.h"

namespace qm {

namespace {

// Window coordinates and sizes beyond what the window system can hold (16 bits) are no
// sizes this program ever wrote.
constexpr int kMaxCoordinate = 32767;

// Sets `target` from a stored integer within [lo, hi]. A value that is no such number (a table
// edited by hand, a damaged row) leaves `target` at its default, so that one unreadable setting
// neither stops the start-up nor changes anything else.
void ReadInt(const AnsiString& v, int& target, int64_t lo = INT32_MIN, int64_t hi = INT32_MAX) {
    int64_t n;
    if (TryStrToInt(v, n) && n >= lo && n <= hi) target = static_cast<int>(n);
}

// A stored "yyyymmdd" date, from its digits; false when it is no calendar date.
bool ReadYmd(const AnsiString& ymd, TDateTime& date) {
    try {
        date = YmdToDate(ymd);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

bool StartsWith(const AnsiString& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

AnsiString BoolText(bool b) {
    return b ? "true" : "false";
}

AnsiString PaddedIndex(size_t i) {
    AnsiString s = std::to_string(i);
    return s.size() < 3 ? AnsiString(3 - s.size(), '0') + s : s;
}

}  // namespace

void TForm1::ReadSettings() {
    int windowLeft = 204, windowTop = 120, windowWidth = 792, windowHeight = 446;
    int scrollRows = 0;
    auto t = DB->GetTable("select name, value from param order by name");
    for (; !t->Eof(); t->Next()) {
        const AnsiString name = t->FieldAsString(0);
        const AnsiString value = t->FieldAsString(1);
        if (name == "window-left")
            ReadInt(value, windowLeft, -kMaxCoordinate - 1, kMaxCoordinate);
        else if (name == "window-top")
            ReadInt(value, windowTop, -kMaxCoordinate - 1, kMaxCoordinate);
        else if (name == "window-width")
            ReadInt(value, windowWidth, 0, kMaxCoordinate);
        else if (name == "window-height")
            ReadInt(value, windowHeight, 0, kMaxCoordinate);
        else
            ApplySetting(name, value, scrollRows);
    }
    // The window is never smaller than 800 x 300.
    move(windowLeft, windowTop);
    resize(std::max(windowWidth, 800), std::max(windowHeight, 300));
}

void TForm1::ApplySetting(const AnsiString& name, const AnsiString& value, int& scrollRows) {
    if (StartsWith(name, "scroll-")) {
        // The n-th such row sets view n, whatever its number says.
        if (scrollRows < static_cast<int>(BillTypeViews.size()))
            ReadInt(value, BillTypeViews[scrollRows].Scroll);
        ++scrollRows;
    } else if (name == "head-index") {
        ReadInt(value, HeadIndex);
    } else if (name == "select-bill") {
        ReadInt(value, SelectBill);
    } else if (name == "settings-dateformat") {
        // Outside 1 to 4 the desktop's format serves, as when nothing is stored.
        ReadInt(value, storedDateFormatIndex_, 1, 4);
        if (storedDateFormatIndex_ != 0) DateFormatIndex = storedDateFormatIndex_;
    } else if (name == "settings-titlereportbol") {
        TitleInReports = value == "true";
    } else if (name == "settings-twosignbol") {
        TwoDecimals = value == "true";
    } else if (name == "settings-minusredbol") {
        NegativeRed = value == "true";
    } else if (name == "settings-title") {
        Title = value;
    } else if (name == "settings-currmain_id") {
        ReadInt(value, MainCurrencyId);
    } else if (name == "date-filter") {
        SetDateFilter(value);
    } else if (StartsWith(name, "head-bill-width-")) {
        const AnsiString rest = name.substr(16);
        // Only the one character after the prefix counts: "head-bill-width-12" sets column 1.
        if (!rest.empty() && rest[0] >= '0' && rest[0] <= '6')
            ReadInt(value, BillColumnWidths[rest[0] - '0'], 0, kMaxCoordinate);
    } else if (StartsWith(name, "head-bill-")) {
        RestoreTab(value);
    }
}

void TForm1::SetDateFilter(const AnsiString& value) {
    // Dates are taken from their digits: the display format is not set yet at this point.
    const bool on = value.size() > 8;
    TDateTime from = Date(), to = Date();
    // A date that is none (a damaged value) leaves the filter as a new file has it: off, from
    // today to today; it is written back whole at the end.
    if ((!value.empty() && !ReadYmd(value.substr(0, 8), from)) ||
        (on && !ReadYmd(value.substr(8, 8), to)))
        return;
    if (on) {
        CheckBox1->SetChecked(true);
        DateTimePicker1->SetEnabled(true);
        DateTimePicker2->SetEnabled(true);
        DateTimePicker1->SetColor(clWhite);
        DateTimePicker2->SetColor(clWhite);
    }
    DateTimePicker2->SetDate(to);
    DateTimePicker1->SetDate(from);
}

void TForm1::RestoreTab(const AnsiString& value) {
    const size_t colon = value.find(':');
    const AnsiString idText = value.substr(0, colon);
    const AnsiString rest = colon == AnsiString::npos ? AnsiString() : value.substr(colon + 1);
    const size_t colon2 = rest.find(':');
    int64_t id, kind;
    // A tab whose id or kind is no number (a table edited by hand) is left out, never put into SQL.
    if (!TryStrToInt(idText, id) || !TryStrToInt(rest.substr(0, colon2), kind)) return;
    if (kind != tkLedger && kind != tkReport) return;
    THeadTab tab;
    tab.Id = static_cast<int>(id);
    tab.Kind = static_cast<int>(kind);
    tab.SelMove = -1;
    if (colon2 != AnsiString::npos) tab.ReportText = rest.substr(colon2 + 1);
    if (tab.Kind == tkLedger) {
        auto t = DB->GetTable("select name, bill_type_id, twosign from bill where id = " +
                              IntToStr(tab.Id));
        if (!t->Eof()) {
            tab.Caption = Utf8ToAnsi(t->FieldAsString(0));
            tab.BillTypeId = static_cast<int>(t->FieldAsInteger(1));
            tab.TwoSign = t->FieldAsString(2).substr(0, 1) == "T";
        }
    } else {
        const int captions[] = {139, 57, 141};
        if (tab.Id >= 0 && tab.Id <= 2) tab.Caption = Ui(captions[tab.Id]);
    }
    Head.HeadTabs.push_back(std::move(tab));
}

std::vector<std::pair<AnsiString, AnsiString>> TForm1::SettingsRows() const {
    std::vector<std::pair<AnsiString, AnsiString>> rows = {
        {"reserv-count", IntToStr(BackupCount)}, {"reserv-date", IntToStr(BackupDate)},
        {"window-left", IntToStr(x())},          {"window-top", IntToStr(y())},
        {"window-width", IntToStr(width())},     {"window-height", IntToStr(height())},
    };
    for (int i = 0; i < 3; ++i)
        rows.push_back(
            {"scroll-" + IntToStr(i + 1),
             IntToStr(i < static_cast<int>(BillTypeViews.size()) ? BillTypeViews[i].Scroll : 0)});
    // The period the file's balances count, not the boxes: dates typed and never applied
    // counted no balance, and a start trusts the balances for the period stored here. They are
    // dropped as any entry left unconfirmed; the recalculation stored this same value already.
    const AnsiString filter = PeriodSettingText(Period());
    rows.insert(rows.end(), {
                                {"head-index", IntToStr(HeadIndex)},
                                {"select-bill", IntToStr(SelectBill)},
                                {"date-filter", filter},
                                {"settings-titlereportbol", BoolText(TitleInReports)},
                                {"settings-twosignbol", BoolText(TwoDecimals)},
                                {"settings-minusredbol", BoolText(NegativeRed)},
                                {"settings-title", Title},
                                {"settings-currmain_id", IntToStr(MainCurrencyId)},
                                {"settings-dateformat", IntToStr(DateFormatIndex)},
                            });
    for (size_t i = 1; i < Head.HeadTabs.size(); ++i) {
        const THeadTab& tab = Head.HeadTabs[i];
        AnsiString value = IntToStr(tab.Id) + ":" + IntToStr(tab.Kind);
        if (tab.Kind == tkReport) value += ":" + tab.ReportText;
        rows.push_back({"head-bill-" + PaddedIndex(i), value});
    }
    for (int c = 0; c < 7; ++c)
        rows.push_back({"head-bill-width-" + IntToStr(c), IntToStr(BillColumnWidths[c])});
    return rows;
}

void TForm1::WriteSettings() {
    // One transaction: an interruption never leaves param emptied. Values are quoted safely, so
    // a title or report text holding an apostrophe comes back unchanged.
    TSQLiteTransaction tr(*DB);
    DB->ExecSQL("delete from param");
    for (const auto& [name, value] : SettingsRows())
        DB->ExecSQL("insert into param (name,value) values ('" + name + "','" +
                    QuotedSqlText(value) + "')");
    tr.Commit();
}

}  // namespace qm
