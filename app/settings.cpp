// The settings in table param: read at start-up into the window's fields and controls, written
// back at shut-down.
#include <QMenuBar>

#include "app/unit1.h"
#include "platform/sysutils.h"

namespace qm {

namespace {

// An integer value that is not a valid integer reads as 0.
int IntValue(const AnsiString& v) {
    return static_cast<int>(StrToIntDef(v, 0));
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
            windowLeft = IntValue(value);
        else if (name == "window-top")
            windowTop = IntValue(value);
        else if (name == "window-width")
            windowWidth = IntValue(value);
        else if (name == "window-height")
            windowHeight = IntValue(value);
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
            BillTypeViews[scrollRows].Scroll = IntValue(value);
        ++scrollRows;
    } else if (name == "head-index") {
        HeadIndex = IntValue(value);
    } else if (name == "select-bill") {
        SelectBill = IntValue(value);
    } else if (name == "settings-dateformat") {
        DateFormatIndex = IntValue(value);
        storedDateFormatIndex_ = DateFormatIndex;
    } else if (name == "settings-titlereportbol") {
        TitleInReports = value == "true";
    } else if (name == "settings-twosignbol") {
        TwoDecimals = value == "true";
    } else if (name == "settings-minusredbol") {
        NegativeRed = value == "true";
    } else if (name == "settings-title") {
        Title = value;
    } else if (name == "settings-currmain_id") {
        MainCurrencyId = IntValue(value);
    } else if (name == "date-filter") {
        SetDateFilter(value);
    } else if (StartsWith(name, "head-bill-width-")) {
        const AnsiString rest = name.substr(16);
        // Only the one character after the prefix counts: "head-bill-width-12" sets column 1.
        if (!rest.empty() && rest[0] >= '0' && rest[0] <= '6')
            BillColumnWidths[rest[0] - '0'] = IntValue(value);
    } else if (StartsWith(name, "head-bill-")) {
        RestoreTab(value);
    }
}

void TForm1::SetDateFilter(const AnsiString& value) {
    // Dates are taken from their digits: the display format is not set yet at this point.
    if (value.size() > 8) {
        CheckBox1->SetChecked(true);
        DateTimePicker1->SetEnabled(true);
        DateTimePicker2->SetEnabled(true);
        DateTimePicker1->SetColor(clWhite);
        DateTimePicker2->SetColor(clWhite);
        DateTimePicker2->SetDate(YmdToDate(value.substr(8, 8)));
    } else {
        DateTimePicker2->SetDate(Date());
    }
    DateTimePicker1->SetDate(value.empty() ? Date() : YmdToDate(value.substr(0, 8)));
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
    AnsiString filter = DateToYmd(DateTimePicker1->Date());
    if (CheckBox1->Checked()) filter += DateToYmd(DateTimePicker2->Date());
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
