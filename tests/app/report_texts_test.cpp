// The balance and charts reports read each account's moves through one prepared statement per
// report, over an index that hands the moves over by date. Their texts must be exactly those of
// reading every account with a query of its own over the whole table, as the program did and as
// a file without any index still reads: that reading is written out below as the reference and
// compared on a generated household with odd rates, half cents and moves out of date order.
#include <gtest/gtest.h>

#include <QLocale>
#include <QProgressBar>
#include <QTimer>

#include "app/program/all_forms.h"
#include "app/reports/report_moves.h"
#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "app/store/moves_in_parts.h"
#include "app/window/main_window.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/table_report_dialog.h"
#include "tests/app/generated_household.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

const GeneratedHousehold kSize{3, 4, 3000, 7};

// --- The reference: one query per account over the whole table, in the table's row order. ---

long double ReferenceSum(const AnsiString& id, const AnsiString& condition, bool reversed) {
    long double sum = 0;
    auto t = DB->GetTable("select amount from bill_move not indexed where " + condition +
                          " and src_bill_id = " + id);
    for (; !t->Eof(); t->Next()) {
        const long double amount = RoundCents(ReportNumber(t->FieldAsString(0)));
        sum = reversed ? sum - amount : sum + amount;
    }
    return sum;
}

AnsiString Between(const AnsiString& d1, const AnsiString& d2) {
    return "ts >= '" + d1 + "' and ts <= '" + d2 + "'";
}

long double ReferenceSection(AnsiString& text, const TListBox& list, const std::vector<int>& ids,
                             TDateTime from, TDateTime to, bool reversed, long double mainRate) {
    long double total = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        const AnsiString id = IntToStr(ids[i]);
        const long double rate = RateFrom(
            "select c.kurs from currency c, bill b where b.currency_id = c.id and b.id = " + id,
            mainRate);
        const long double S = ReferenceSum(id, Between(DateToYmd(from), DateToYmd(to)), reversed);
        const long double V = RoundCents(S * rate / mainRate);
        text += list.Items()[static_cast<int>(i)] + "\1" + ReportAmountText(V) + "\r";
        total += V;
    }
    return total;
}

AnsiString ReferenceBalance(TForm13& d) {
    const TForm1& form = *Form1;
    const long double mainRate = MainRate(form);
    for (auto [from, to] : {std::pair{d.DateTimePicker1, d.DateTimePicker2},
                            std::pair{d.DateTimePicker3, d.DateTimePicker4}})
        if (to->Date() < from->Date()) to->SetDate(from->Date());
    auto period = [&](TDateTimePicker* a, TDateTimePicker* b) {
        return ReportDate(form, a->Date()) + " - " + ReportDate(form, b->Date());
    };
    AnsiString text =
        "\2" + form.Ui(142) + "\1\2" + period(d.DateTimePicker1, d.DateTimePicker2) + "\r";
    const long double T1 =
        ReferenceSection(text, *d.ListBox1, d.ChosenIds1, d.DateTimePicker1->Date(),
                         d.DateTimePicker2->Date(), true, mainRate);
    text += "\3\2" + form.Ui(145) + "\1\2" + ReportAmountText(T1) + "\r";
    text += "\4\2" + form.Ui(143) + "\1\2" + period(d.DateTimePicker3, d.DateTimePicker4) + "\r";
    const long double T2 =
        ReferenceSection(text, *d.ListBox3, d.ChosenIds3, d.DateTimePicker3->Date(),
                         d.DateTimePicker4->Date(), false, mainRate);
    text += "\3\2" + form.Ui(146) + "\1\2" + ReportAmountText(T2) + "\r";
    text +=
        "\4\3\2" + form.Ui(141) + "\1\2" + ReportAmountText(RoundCents(T1) - RoundCents(T2)) + "\r";
    return text;
}

// The slice lines of a pie: the groups of a type, or the accounts of a group.
AnsiString ReferenceGroupSlices(int type, const AnsiString& d1, const AnsiString& d2,
                                long double mainRate) {
    AnsiString text;
    auto groups = DB->GetTable("select id, name from bill where bill_id = 0 and bill_type_id = " +
                               IntToStr(type) + " order by name");
    for (; !groups->Eof(); groups->Next()) {
        long double total = 0;
        auto accounts = DB->GetTable(
            "select b.id, c.kurs from bill b, currency c where b.currency_id = c.id and "
            "b.bill_id = " +
            groups->FieldAsString(0));
        for (; !accounts->Eof(); accounts->Next()) {
            const long double sum =
                ReferenceSum(accounts->FieldAsString(0), Between(d1, d2), type == 1);
            const long double rate = ReportNumber(accounts->FieldAsString(1));
            total += RoundHalfEven(sum * 100 * rate / mainRate) / 100;
        }
        text += Utf8ToAnsi(groups->FieldAsString(1)) + "\1" + ReportAmountText(total) + "\r";
    }
    return text;
}

AnsiString ReferenceAccountSlices(int group, const AnsiString& d1, const AnsiString& d2,
                                  long double mainRate) {
    AnsiString text;
    auto t = DB->GetTable(
        "select b.id, c.kurs, b.name, b.bill_type_id from bill b, currency c where "
        "b.currency_id = c.id and b.bill_id = " +
        IntToStr(group));
    for (; !t->Eof(); t->Next()) {
        const long double sum =
            ReferenceSum(t->FieldAsString(0), Between(d1, d2), t->FieldAsString(3) == "1");
        const long double value = sum * ReportNumber(t->FieldAsString(1)) / mainRate;
        text += Utf8ToAnsi(t->FieldAsString(2)) + "\1" + ReportAmountText(value) + "\r";
    }
    return text;
}

int Bucket(int kind, TDateTime start, TDateTime d) {
    switch (kind) {
        case 1:
            return TForm14::Weeks(start, d);
        case 2:
            return TForm14::Months(start, d);
        case 3:
            return TForm14::Years(start, d);
        default:
            return TForm14::Days(start, d);
    }
}

// The values line of a time chart, without its line end.
AnsiString ReferenceSeries(const std::vector<int>& ids, int kind, bool balances, TDateTime start,
                           TDateTime end, long double mainRate) {
    const AnsiString d1 = DateToYmd(start), d2 = DateToYmd(end);
    AnsiString text;
    for (int id : ids) {
        auto a = DB->GetTable(
            "select c.kurs, b.name, b.bill_type_id from currency c, bill b where b.currency_id "
            "= c.id and b.id = " +
            IntToStr(id));
        const long double rate = ReportNumber(a->FieldAsString(0));
        const bool income = a->FieldAsString(2) == "1";
        std::vector<long double> buckets(Bucket(kind, start, end) + 1, 0);
        auto t = DB->GetTable("select amount, ts from bill_move not indexed where " +
                              Between(d1, d2) + " and src_bill_id = " + IntToStr(id));
        for (; !t->Eof(); t->Next()) {
            const AnsiString ts = t->FieldAsString(1);
            const int b = Bucket(kind, start, YmdToDate(ts));
            if (b < 0 || b >= static_cast<int>(buckets.size())) continue;
            const long double amount = RoundCents(ReportNumber(t->FieldAsString(0)));
            buckets[b] = income ? buckets[b] - amount : buckets[b] + amount;
        }
        if (balances) {
            long double running = ReferenceSum(IntToStr(id), "ts < '" + d1 + "'", income);
            for (long double& b : buckets) running = b += running;
        }
        for (long double v : buckets) text += ReportAmountText(v * rate / mainRate) + "\2";
        text.back() = '\1';
    }
    text.pop_back();
    return text;
}

// The table report as one query over the whole table wrote it: its moves sorted by date and
// number, moves of equal date and number in the table's row order.
AnsiString ReferenceTable(int billId, int type, const AnsiString& item, TDateTime from,
                          TDateTime to) {
    const TForm1& form = *Form1;
    AnsiString text = ReportDate(form, from) + " - " + ReportDate(form, to) + "\r" + item + "\r";
    const int first = type == 1 ? 95 : type == 2 ? 96 : 97;
    const int second = type == 1 ? 96 : type == 2 ? 97 : 95;
    text += BillColumnCaptions[0] + "\1" + BillColumnCaptions[1] + "\1" + BillColumnCaptions[2] +
            "\1" + form.Ui(first) + "\1" + form.Ui(second) + "\r";
    const AnsiString d1 = DateToYmd(from), d2 = DateToYmd(to);
    long double S1 = 0, S2 = 0;
    auto t = DB->GetTable(
        "select ts, num, note, amount from bill_move not indexed where "
        "src_bill_id = " +
        IntToStr(billId) + " order by ts, num");
    for (; !t->Eof(); t->Next()) {
        const AnsiString ts = t->FieldAsString(0);
        if (ts < d1 || ts > d2) continue;
        text += ReportDateOfYmd(form, ts) + "\1" + Utf8ToAnsi(t->FieldAsString(1)) + "\1" +
                Utf8ToAnsi(t->FieldAsString(2)) + "\1";
        const AnsiString amount = t->FieldAsString(3);
        if (!amount.empty() && amount[0] == '-') {
            text += "\1" + amount.substr(1) + "\r";
            S2 += ReportNumber(amount.substr(1));
        } else {
            text += amount + "\1\r";
            S1 += ReportNumber(amount);
        }
    }
    const long double D = type == 1 ? S2 - S1 : S1 - S2;
    text += form.Ui(169) + ": " + FloatToStr(D) + "\1\1" + form.Ui(168) + "\1" + FloatToStr(S1) +
            "\1" + FloatToStr(S2) + "\r";
    return text;
}

// The lines of a report text from line `first` (0-based) on, each with its line end.
AnsiString LinesFrom(AnsiString text, int first) {
    for (int i = 0; i < first; ++i) CutLine(text);
    return text;
}

struct ReportTexts : qmtest::HouseholdWindow {
    ReportTexts() : HouseholdWindow(2026, 12, 7) { start = {900, 600}; }
    void SetUp() override {
        // The index hands an account's moves over by date, not in the table's row order.
        WriteGeneratedHousehold(
            kSize, {"create index report_order on bill_move (src_bill_id, ts, amount)"});
        Start();
    }
    template <typename Form>
    void Run(int action, std::function<void(Form&)> act) {
        driver.Then([act](TForm& f) { act(static_cast<Form&>(f)); });
        form->Action(action)->trigger();
    }
    const AnsiString& LastText() const { return Head.HeadTabs.back().ReportText; }
    // The table report of an account over a period, through its dialog; returns the reference
    // text for it.
    AnsiString RunTable(int account, TDateTime from, TDateTime to) {
        AnsiString expected;
        Run<TForm16>(30, [&](TForm16& d) {
            const int item = static_cast<int>(
                std::find(d.BillIds.begin(), d.BillIds.end(), account) - d.BillIds.begin());
            d.ComboBox1->SetItemIndex(item);
            d.DateTimePicker1->SetDate(from);
            d.DateTimePicker2->SetDate(to);
            expected = ReferenceTable(account, d.BillTypes[item], d.ComboBox1->Items()[item],
                                      d.DateTimePicker1->Date(), d.DateTimePicker2->Date());
            d.Button1Click();
        });
        return expected;
    }
};

void ChooseAll(TListBox& available, const std::function<void()>& choose) {
    while (available.Items().Count() > 0) {
        available.SetItemIndex(available.Items().Count() - 1);  // last first: not list order
        choose();
    }
}

}  // namespace

TEST_F(ReportTexts, BalanceOfEveryAccountReadsAsAccountByAccount) {
    const struct {
        TDateTime from1, to1, from3, to3;
    } periods[] = {
        {EncodeDate(2024, 1, 1), EncodeDate(2026, 12, 31), EncodeDate(2024, 1, 1),
         EncodeDate(2026, 12, 31)},
        {EncodeDate(2025, 2, 3), EncodeDate(2025, 8, 19), EncodeDate(2024, 6, 30),
         EncodeDate(2024, 6, 30)},
        // An end before the start: both texts take the start for the end.
        {EncodeDate(2025, 5, 5), EncodeDate(2024, 1, 1), EncodeDate(2026, 1, 1),
         EncodeDate(2026, 3, 31)},
    };
    for (const auto& p : periods) {
        AnsiString expected;
        Run<TForm13>(31, [&](TForm13& d) {
            d.DateTimePicker1->SetDate(p.from1);
            d.DateTimePicker2->SetDate(p.to1);
            d.DateTimePicker3->SetDate(p.from3);
            d.DateTimePicker4->SetDate(p.to3);
            ChooseAll(*d.ListBox2, [&] { d.Button1Click(); });
            ChooseAll(*d.ListBox4, [&] { d.Button3Click(); });
            expected = ReferenceBalance(d);
            d.Button5Click();
        });
        EXPECT_EQ(LastText(), expected);
        // Every account of both types has its line.
        EXPECT_EQ(std::count(LastText().begin(), LastText().end(), '\r'),
                  2 * kSize.groupsPerType * kSize.accountsPerGroup + 5);
        // Over the whole history every account has moves.
        if (&p == &periods[0]) {
            EXPECT_EQ(LastText().find("\0010,00\r"), AnsiString::npos);
        }
    }
}

TEST_F(ReportTexts, PiesOfEveryTypeAndGroupReadAsAccountByAccount) {
    const TDateTime from = EncodeDate(2024, 3, 1), to = EncodeDate(2026, 2, 28);
    const long double mainRate = MainRate(*form);
    for (int item = 0; item < 3; ++item) {
        int type = 0;
        Run<TForm14>(22, [&](TForm14& d) {
            d.DateTimePicker1->SetDate(from);
            d.DateTimePicker2->SetDate(to);
            d.ComboBox1->SetItemIndex(item);
            type = d.TypeIds[item];
            d.Button1Click();
        });
        EXPECT_EQ(LinesFrom(LastText(), 2),
                  ReferenceGroupSlices(type, DateToYmd(from), DateToYmd(to), mainRate))
            << "type " << type;
    }
    const int groups = 3 * kSize.groupsPerType;
    for (int item = 0; item < groups; ++item) {
        int group = 0;
        Run<TForm14>(22, [&](TForm14& d) {
            d.DateTimePicker1->SetDate(from);
            d.DateTimePicker2->SetDate(to);
            d.RadioButton4->SetChecked(true);
            d.ComboBox2->SetItemIndex(item);
            group = d.GroupIds[item];
            d.Button1Click();
        });
        EXPECT_EQ(LinesFrom(LastText(), 2),
                  ReferenceAccountSlices(group, DateToYmd(from), DateToYmd(to), mainRate))
            << "group " << group;
    }
}

TEST_F(ReportTexts, TimeChartsOfEveryBucketKindReadAsAccountByAccount) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const long double mainRate = MainRate(*form);
    const TDateTime start = EncodeDate(2024, 11, 14), end = EncodeDate(2025, 3, 2);
    const std::vector<int> ids = {
        GeneratedAccountId(kSize, 2, 0, 0), GeneratedAccountId(kSize, 1, 1, 2),
        GeneratedAccountId(kSize, 3, 2, 3), GeneratedAccountId(kSize, 2, 1, 1)};
    for (int kind = 0; kind < 4; ++kind)
        for (int by = 0; by < 2; ++by) {
            Run<TForm14>(22, [&](TForm14& d) {
                d.DateTimePicker1->SetDate(start);
                d.DateTimePicker2->SetDate(end);
                d.RadioButton2->SetChecked(true);
                for (int id : ids) {
                    d.ListBox2->SetItemIndex(static_cast<int>(
                        std::find(d.AvailableIds.begin(), d.AvailableIds.end(), id) -
                        d.AvailableIds.begin()));
                    d.SpeedButton1Click();
                }
                d.ComboBox3->SetItemIndex(kind);
                d.ComboBox4->SetItemIndex(by);
                d.Button1Click();
            });
            AnsiString text = LastText();
            CutLine(text);
            CutLine(text);
            EXPECT_EQ(CutLine(text), ReferenceSeries(ids, kind, by == 1, start, end, mainRate))
                << "kind " << kind << " by " << by;
        }
    QLocale::setDefault(QLocale::system());
}

// While a report over every account is built, the window shows its progress bar moving and
// goes on painting and running its timers; afterwards the bar is gone and the period bar is as
// the new report tab wants it.
TEST_F(ReportTexts, BalanceOverEverythingShowsProgressAndKeepsTheWindowAlive) {
    form->show();
    std::vector<int> positions;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                     [&](int value) { positions.push_back(value); });
    bool barShown = false, timerRan = false;
    Run<TForm13>(31, [&](TForm13& d) {
        ChooseAll(*d.ListBox2, [&] { d.Button1Click(); });
        ChooseAll(*d.ListBox4, [&] { d.Button3Click(); });
        QTimer::singleShot(0, [&] {
            timerRan = true;
            barShown = form->ProgressBar1->isVisible();
        });
        d.Button5Click();
        EXPECT_TRUE(timerRan) << "the event loop did not run while the report was built";
    });
    EXPECT_TRUE(barShown);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(form->ProgressBar1->maximum(), 2 * kSize.groupsPerType * kSize.accountsPerGroup);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_FALSE(form->ProgressBar1->isVisible());
    EXPECT_FALSE(form->Panel1->isVisible());
    // Over a report tab the period bar shows for the work only.
    timerRan = barShown = false;
    bool panelShown = false;
    Run<TForm13>(31, [&](TForm13& d) {
        ChooseAll(*d.ListBox2, [&] { d.Button1Click(); });
        ChooseAll(*d.ListBox4, [&] { d.Button3Click(); });
        QTimer::singleShot(0, [&] {
            timerRan = true;
            panelShown = form->Panel1->isVisible();
        });
        d.Button5Click();
    });
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(panelShown);
    EXPECT_FALSE(form->Panel1->isVisible());
    EXPECT_FALSE(form->ProgressBar1->isVisible());
}

// Three moves whose sum, at a rate of 1.5, lands on half a cent: added in the order of their
// row ids the line reads one way, added in the order of their dates (as the index hands them
// over) the other. The report keeps the row order, as reading the whole table did.
TEST_F(ReportTexts, AnAccountsMovesCountInTheirRowOrderWhereTheOrderDecides) {
    const int group = GeneratedAccountId(kSize, 3, 0, 0) - 1;
    const int account = 900, other = GeneratedAccountId(kSize, 2, 0, 0);
    DB->ExecSQL("insert into currency values (1.5, 'HLF', 4, 'Half', '20240101000000', '1.5')");
    DB->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, isopen, "
        "twosign, budget, amount, ts) values (900, " +
        IntToStr(group) + ", 3, 4, 'Odd rate', 9, 1, 'TF', 0, 0, '20240101000000')");
    const char* amounts[] = {"-323.59", "-154.74", "746.28"};
    const char* dates[] = {"20250103", "20250102", "20250101"};  // later ids, earlier dates
    for (int i = 0; i < 3; ++i) {
        const AnsiString id = IntToStr(100001 + 2 * i), twin = IntToStr(100002 + 2 * i);
        DB->ExecSQL(
            "insert into bill_move (id, src_bill_id, dest_bill_id, ts, num, note, amount, "
            "kurs, bill_move_id) values (" +
            id + ", " + IntToStr(account) + ", " + IntToStr(other) + ", '" + dates[i] +
            "', '', 'x', " + amounts[i] + ", '1', " + twin + ")");
    }
    // The case is worth something only if the two orders give two texts.
    long double rowOrder = 0, dateOrder = 0;
    for (int i = 0; i < 3; ++i) rowOrder += RoundCents(ReportNumber(amounts[i]));
    for (int i = 2; i >= 0; --i) dateOrder += RoundCents(ReportNumber(amounts[i]));
    ASSERT_NE(ReportAmountText(RoundCents(rowOrder * 1.5L)),
              ReportAmountText(RoundCents(dateOrder * 1.5L)));

    AnsiString expected;
    Run<TForm13>(31, [&](TForm13& d) {
        d.DateTimePicker1->SetDate(EncodeDate(2025, 1, 1));
        d.DateTimePicker2->SetDate(EncodeDate(2025, 1, 3));
        d.DateTimePicker3->SetDate(EncodeDate(2025, 1, 1));
        d.DateTimePicker4->SetDate(EncodeDate(2025, 1, 3));
        d.ListBox2->SetItemIndex(0);
        d.Button1Click();
        d.ListBox4->SetItemIndex(
            static_cast<int>(std::find(d.AvailableIds3.begin(), d.AvailableIds3.end(), account) -
                             d.AvailableIds3.begin()));
        d.Button3Click();
        expected = ReferenceBalance(d);
        d.Button5Click();
    });
    EXPECT_EQ(LastText(), expected);
    EXPECT_NE(LastText().find("Odd rate\1" + ReportAmountText(RoundCents(rowOrder * 1.5L))),
              AnsiString::npos);
}

// Moves of one day without a number are many; the index hands them over by amount, the table
// report lists them in the order they were stored, as it did reading the whole table.
TEST_F(ReportTexts, TableReportListsMovesOfOneDayInTheirStoredOrder) {
    // A busy day in each account: amounts stored out of their order, numbers mostly empty.
    TSQLiteTransaction busy(*DB);
    for (int type = 1; type <= 3; ++type)
        for (int i = 0; i < 24; ++i) {
            const AnsiString id = IntToStr(200000 + 100 * type + 2 * i);
            DB->ExecSQL(
                "insert into bill_move (id, src_bill_id, dest_bill_id, ts, num, note, amount, "
                "kurs, bill_move_id) values (" +
                id + ", " + IntToStr(GeneratedAccountId(kSize, type, 1, 2)) + ", " +
                IntToStr(GeneratedAccountId(kSize, 2, 0, 0)) + ", '2025030" + IntToStr(1 + i % 2) +
                "', '" + (i % 5 ? "" : "7") + "', 'Busy', " + IntToStr((i * 7919) % 97 - 40) +
                ".25, '1', 0)");
        }
    busy.Commit();
    int ties = 0;
    for (int type = 1; type <= 3; ++type) {
        const int account = GeneratedAccountId(kSize, type, 1, 2);
        const AnsiString expected =
            RunTable(account, EncodeDate(2024, 2, 1), EncodeDate(2026, 10, 31));
        EXPECT_EQ(LastText(), expected) << "type " << type;
        // Lines of one date and number: the order among them is what the test is about.
        AnsiString previous;
        for (TLineReader lines(LastText()); !lines.AtEnd();) {
            const std::vector<AnsiString> cells = CutParts(lines.Next(), '\1');
            const AnsiString key = cells.size() > 1 ? cells[0] + "|" + cells[1] : AnsiString();
            ties += !key.empty() && key == previous;
            previous = key;
        }
    }
    EXPECT_GT(ties, 10);
}

// A large account's table report is read in parts side by side. It must read as the reference
// does: moves of one day and number in their stored order across the seams of the parts, moves
// outside the period left out, NULL and text amounts, and the sums added in the moves' order.
TEST_F(ReportTexts, ALargeAccountsTableReadInPartsReadsAsTheReference) {
    qmtest::ForcedParts forced;
    const int account = GeneratedAccountId(kSize, 3, 1, 2);
    const int other = GeneratedAccountId(kSize, 2, 0, 0);
    TSQLiteTransaction many(*DB);
    DB->ExecSQL(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < 29999) "
        "insert into bill_move (id, src_bill_id, dest_bill_id, ts, num, note, amount, kurs, "
        "bill_move_id) select 300000 + i, " +
        IntToStr(account) + ", " + IntToStr(other) +
        ", '2025' || printf('%04d', 101 + (i / 50) % 1100), case when i % 3 = 0 then '' else "
        "i % 4 end, 'Part ' || (i % 13), case when i % 211 = 0 then null when i % 307 = 0 then "
        "'n/a' else (i * 7919 % 20001 - 10000) / 100.0 + 0.005 * (i % 2) end, '1', 0 from n");
    many.Commit();
    const uint64_t before = MovesReadInParts();
    const AnsiString expected = RunTable(account, EncodeDate(2025, 3, 1), EncodeDate(2025, 9, 30));
    EXPECT_GT(MovesReadInParts(), before);
    EXPECT_EQ(LastText(), expected);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\r'), 5000);
}
