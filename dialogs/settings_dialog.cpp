// TForm8, the settings dialog.
#include "dialogs/settings_dialog.h"

#include "app/store/database_file.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "dialogs/text_fields.h"
#include "platform/application.h"
#include "platform/dialogs.h"

namespace qm {

TForm8* Form8 = nullptr;

TForm8::TForm8(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    Edit1 = new TEdit(this);
    CheckBox1 = new TCheckBox(this);
    Label2 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    CheckBox2 = new TCheckBox(this);
    CheckBox3 = new TCheckBox(this);
    GroupBox1 = new TGroupBox(this);
    RadioButton1 = new TRadioButton(GroupBox1);
    RadioButton2 = new TRadioButton(GroupBox1);
    RadioButton3 = new TRadioButton(GroupBox1);
    RadioButton4 = new TRadioButton(GroupBox1);
    RadioButton3->SetChecked(true);
    Label3 = new TLabel(this);
    SpinEdit1 = new TSpinEdit(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Layout();
    FormCreate();
}

void TForm8::Layout() {
    constexpr int kX = 12, kW = 396;
    setFixedSize(420, 410);
    Label1->SetAutoSize(false);
    Label1->SetBounds(kX, 12, kW, 18);
    Edit1->SetBounds(kX, 32, kW, 24);
    CheckBox1->SetBounds(kX, 62, kW, 20);
    Label2->SetAutoSize(false);
    Label2->SetBounds(kX, 94, kW, 18);
    ComboBox1->SetBounds(kX, 114, kW, 24);
    CheckBox2->SetBounds(kX, 148, kW, 20);
    CheckBox3->SetBounds(kX, 172, kW, 20);
    GroupBox1->SetBounds(kX, 202, kW, 126);
    int y = 24;
    for (TRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) {
        r->SetBounds(14, y, kW - 28, 22);
        y += 24;
    }
    Label3->SetAutoSize(false);
    Label3->SetBounds(kX, 342, 280, 20);
    SpinEdit1->SetBounds(296, 338, 112, 24);
    Button1->SetBounds(238, 372, 82, 28);
    Button2->SetBounds(326, 372, 82, 28);
}

void TForm8::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(64));
    Label1->SetCaption(MainWindow::Ui(109));
    CheckBox1->SetCaption(MainWindow::Ui(110));
    Label2->SetCaption(MainWindow::Ui(111));
    CheckBox2->SetCaption(MainWindow::Ui(112));
    CheckBox3->SetCaption(MainWindow::Ui(113));
    GroupBox1->SetCaption(" " + MainWindow::Ui(114) + " ");
    RadioButton1->SetCaption("07/31/2005  " + MainWindow::Ui(115));
    RadioButton2->SetCaption("31/07/2005  " + MainWindow::Ui(116));
    RadioButton3->SetCaption("31.07.2005  " + MainWindow::Ui(117));
    RadioButton4->SetCaption("2005-07-31  " + MainWindow::Ui(118));
    Label3->SetCaption(MainWindow::Ui(140));
    Button1->SetCaption(MainWindow::Ui(5));
    Button2->SetCaption(MainWindow::Ui(6));
}

void TForm8::FormShow() {
    if (!Form1) return;
    const TWindowSettings f = MainWindow::Settings();
    TRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    const int index = f.DateFormatIndex >= 1 && f.DateFormatIndex <= 4 ? f.DateFormatIndex : 3;
    radios[index - 1]->SetChecked(true);
    Edit1->SetText(f.Title);
    CheckBox1->SetChecked(f.TitleInReports);
    CheckBox2->SetChecked(f.TwoDecimals);
    CheckBox3->SetChecked(f.NegativeRed);
    ComboBox1->Items().Clear();
    CurrencyIds.clear();
    if (DB) {
        int mainCurrency = f.MainCurrencyId;
        // No order: the lines come as the engine gives them.
        auto t = DB->GetTable("select id, name, short_name from currency");
        for (; !t->Eof(); t->Next()) {
            const int id = static_cast<int>(t->FieldAsInteger(0));
            CurrencyIds.push_back(id);
            // Without a main currency the first listed becomes it, even if the dialog is
            // cancelled.
            if (mainCurrency == -1) {
                mainCurrency = id;
                MainWindow::SetMainCurrencyId(id);
            }
            ComboBox1->Items().Add(Utf8ToAnsi(t->FieldAsString(1)) + " " +
                                   Utf8ToAnsi(t->FieldAsString(2)));
            if (id == mainCurrency) ComboBox1->SetItemIndex(ComboBox1->Items().Count() - 1);
        }
    }
    SpinEdit1->SetValue(f.BackupCount);
    Edit1->SetFocus();
}

int TForm8::CheckedDateFormat() const {
    const TRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    for (int i = 0; i < 4; ++i)
        if (radios[i]->Checked()) return i + 1;
    return 3;
}

void TForm8::SpinEdit1Change() {
    int64_t count = 0;
    if (!TryStrToInt(Trim(SpinEdit1->Text()), count) || count < 1)
        SpinEdit1->SetValue(1);
    else if (count > kMaxBackupCount)
        SpinEdit1->SetValue(kMaxBackupCount);
}

void TForm8::Button1Click() {
    if (!Form1 || !TextsFit(*this, {{Edit1, 109}})) return;
    // The new row's date is kept as a date and written anew in the chosen format. A text that
    // does not read under the format in force stops here, before anything is stored.
    TDateTime last = 0;
    try {
        last = StrToDate(LastDate);
    } catch (const EConvertError& e) {
        ShowException(e);
        return;
    }
    TWindowSettings f = MainWindow::Settings();
    f.DateFormatIndex = CheckedDateFormat();
    // The title is kept in the code page's bytes as they stand; a byte the code page gives no
    // character shows as "?", and a title left as it was keeps that byte.
    if (Edit1->text() != ToQString(f.Title)) f.Title = Edit1->Text();
    f.TitleInReports = CheckBox1->Checked();
    // With no currency listed there is nothing to choose: the main currency stays as it was.
    const int line = ComboBox1->ItemIndex();
    if (line >= 0 && line < static_cast<int>(CurrencyIds.size()))
        f.MainCurrencyId = CurrencyIds[line];
    f.TwoDecimals = CheckBox2->Checked();
    f.NegativeRed = CheckBox3->Checked();
    f.BackupCount = std::clamp(SpinEdit1->Value(), 1, kMaxBackupCount);
    MainWindow::ApplySettings(f);
    LastDate = FormatDateTime(MainWindow::DateFormat(), last);
    // The ledger is built anew, in the new formats, when it is next painted.
    Ledger.Rows.clear();
    SetModalResult(mrOk);
}

void TForm8::Button2Click() {
    Close();
}

}  // namespace qm
