// The period filter bar and balance recalculation from the window.
#include <QApplication>

#include "app/store/ledger_buffer.h"
#include "app/window/main_window.h"
#include "platform/dialogs.h"

namespace qm {

PeriodFilter TForm1::Period() const {
    return balancesPeriod_;
}

PeriodFilter TForm1::PeriodInBoxes() const {
    return {CheckBox1->Checked(), DateToYmd(DateTimePicker1->Date()),
            DateToYmd(DateTimePicker2->Date())};
}

void TForm1::CalcBillAmount(const AnsiString& id) {
    qm::CalcBillAmount(*DB, id, Period());
}

void TForm1::CheckBox1Click() {
    // Clicks and keys that arrive while the recalculation lets the interface breathe are dropped.
    if (!FilterEnabled || recalculating_ || !DB) return;
    recalculating_ = true;
    // A recalculation that fails (a stored number no text converts from, a total beyond the
    // file's range) is rolled back and reported; the filter must stay usable after it.
    struct Done {
        TForm1& form;
        ~Done() {
            form.ProgressBar1->SetVisible(false);
            form.recalculating_ = false;
        }
    } done{*this};
    const bool on = CheckBox1->Checked();
    const TColor colour = on ? clWhite : clBtnFace;
    for (TDateTimePicker* p : {DateTimePicker1, DateTimePicker2}) {
        p->SetEnabled(on);
        p->SetColor(colour);
    }
    if (DateTimePicker1->Date() > DateTimePicker2->Date())
        DateTimePicker2->SetDate(DateTimePicker1->Date());
    ProgressBar1->SetVisible(true);
    const auto step = [this](int position, int max) {
        ProgressBar1->SetMax(max);
        ProgressBar1->SetPosition(position);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    // The file takes the new period with the balances; the window counts under it only once
    // both are there, so a recalculation that fails leaves it counting under the old one.
    const PeriodFilter period = PeriodInBoxes();
    RecalculateAllBalances(*DB, period, step, step);
    balancesPeriod_ = period;
    if (CurrentTab().Kind == tkLedger) GetBillMove();
    FormPaint();
    ProgressBar1->SetVisible(false);
    CheckBox1->SetFocus();
    setFocus();
}

void TForm1::DateTimePicker1KeyDown(int& key, TShiftState) {
    if (key == VK_RETURN) CheckBox1Click();
}

void TForm1::GetBillMove() {
    THeadTab& tab = CurrentTab();
    if (tab.BufRows.empty() && LoadBuffer(*DB, tab, DateToYmd(Date()), TParts::SideBySide()))
        ShowBalanceOverflow();
    // Into the rows' own storage: emptied rows keep it, and a large ledger is rebuilt often.
    BuildDisplayedRows(tab, PeriodInBoxes(), SortMode, LastDate, Ledger.Rows);
}

void TForm1::ShowBalanceOverflow() {
    if (BalanceOverflowShown) return;
    BalanceOverflowShown = true;
    ShowNoticeLater(Ui(94));
}

void TForm1::ShowNoticeLater(const AnsiString& text) {
    // Painting may run inside Qt's paint event: the notice waits for the event loop.
    QMetaObject::invokeMethod(
        this, [this, text] { MessageBox(this, text, "Quillmarsh", MB_OK | MB_ICONWARNING); },
        Qt::QueuedConnection);
}

}  // namespace qm
