// The main window's calls for the dialogs, each passed on to Form1.
#include "app/window/window_calls.h"

#include <QAction>

#include "app/window/main_window.h"
#include "app/window/window_formats.h"

namespace qm::MainWindow {

QWidget* Widget() {
    return Form1;
}

const AnsiString& Ui(int index) {
    return Form1->Ui(index);
}

const AnsiString& DateFormat() {
    return Form1->DateFormat;
}

bool GlyphsLoaded() {
    return Form1->GlyphBitmap != nullptr;
}

PeriodFilter Period() {
    return Form1->Period();
}

int MainCurrencyId() {
    return Form1->MainCurrencyId;
}

void SetMainCurrencyId(int id) {
    Form1->MainCurrencyId = id;
}

TWindowSettings Settings() {
    const TForm1& f = *Form1;
    TWindowSettings s;
    s.Title = f.Title;
    s.TitleInReports = f.TitleInReports;
    s.TwoDecimals = f.TwoDecimals;
    s.NegativeRed = f.NegativeRed;
    s.MainCurrencyId = f.MainCurrencyId;
    s.DateFormatIndex = f.DateFormatIndex;
    s.BackupCount = f.BackupCount;
    return s;
}

void ApplySettings(const TWindowSettings& s) {
    TForm1& f = *Form1;
    f.DateFormatIndex = s.DateFormatIndex;
    f.DateFormat = DateFormatOf(f.DateFormatIndex);
    f.DateTimePicker1->SetFormat(f.DateFormat);
    f.DateTimePicker2->SetFormat(f.DateFormat);
    ApplyProcessDateFormat(f.DateFormatIndex);
    f.Title = s.Title;
    f.TitleInReports = s.TitleInReports;
    f.MainCurrencyId = s.MainCurrencyId;
    f.setWindowTitle(ToQString(WindowCaption(f.Title)));
    f.TwoDecimals = s.TwoDecimals;
    f.NegativeRed = s.NegativeRed;
    f.BackupCount = s.BackupCount;
}

void SetFindText(const AnsiString& text) {
    Form1->FindText = text;
}

void EnableFindNext() {
    Form1->Action(29)->setEnabled(true);
}

void FormPaint() {
    Form1->FormPaint();
}

void PaintMain() {
    Form1->PaintMain();
}

void PaintBill() {
    Form1->PaintBill();
}

void DoEnable(int mode) {
    Form1->DoEnable(mode);
}

void SelectionFallback() {
    Form1->SelectionFallback();
}

bool LeaveEditedRow() {
    return Form1->LeaveEditedRow();
}

void SwitchToTab(int index) {
    Form1->SwitchToTab(index);
}

}  // namespace qm::MainWindow
