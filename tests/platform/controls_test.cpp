// The standard controls: the framework's event rules, key order, grid cells, list selection,
// date controls, timer, file dialog and shell hooks.
#include "platform/controls.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>

#include "platform/filedialogs.h"
#include "platform/forms.h"
#include "platform/shell.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

namespace {

using namespace qm;

void Key(QWidget* w, int key, const QString& text = {}, Qt::KeyboardModifiers m = {}) {
    QKeyEvent press(QEvent::KeyPress, key, m, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, m, text);
    QCoreApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const std::string& s) {
    for (char c : s) Key(w, QChar(c).toUpper().unicode(), QString(QChar(c)));
}

void Click(QWidget* w, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

// The grid's open cell editor (a closed one lingers hidden until its deferred deletion).
QLineEdit* OpenEditor(QWidget* grid) {
    for (auto* e : grid->findChildren<QLineEdit*>())
        if (e->isVisible()) return e;
    return nullptr;
}

void RunEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(Controls, EditTextSetInCodeFiresOnChangeOncePerChange) {
    TForm form;
    auto* edit = new TEdit(&form);
    int changes = 0;
    edit->OnChange = [&] { ++changes; };
    edit->SetText("Rent");
    EXPECT_EQ(changes, 1);
    edit->SetText("Rent");
    EXPECT_EQ(changes, 1) << "the same text is no change";
    Type(edit, "al");
    EXPECT_EQ(edit->Text(), "Rental");
    EXPECT_EQ(changes, 3);

    edit->SetSelStart(1);
    edit->SetSelLength(3);
    EXPECT_EQ(edit->SelStart(), 1);
    EXPECT_EQ(edit->SelLength(), 3);
    edit->SetMaxLength(4);
    edit->SetText("abcdefgh");
    EXPECT_EQ(edit->Text(), "abcd");
    edit->SetMaxLength(0);
    EXPECT_EQ(edit->MaxLength(), 0);
}

TEST(Controls, ComboItemIndexInCodeIsSilentAndUserChoiceFiresOnChange) {
    TForm form;
    auto* combo = new TComboBox(&form);
    int changes = 0;
    combo->OnChange = [&] { ++changes; };
    combo->Items().Add("Cash");
    combo->Items().Add("Bank");
    combo->Items().Add("Card");
    EXPECT_EQ(combo->ItemIndex(), -1) << "adding items chooses none";
    EXPECT_EQ(combo->Text(), "");

    combo->SetItemIndex(1);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "Bank");
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(changes, 0);

    combo->SetItemIndex(0);
    Key(combo, Qt::Key_Down);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(changes, 1);

    combo->Items().Delete(1);
    EXPECT_EQ(combo->ItemIndex(), -1) << "deleting the chosen item leaves none chosen";
    EXPECT_EQ(combo->Items().IndexOf("Card"), 1);
    try {
        combo->Items()[2];
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (2)");
    }
    combo->Items().Clear();
    combo->Items().Add("Only");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(changes, 1);
}

TEST(Controls, SpinEditValueInCodeFiresOnChangeAndHandlerCanCorrectTyping) {
    TForm form;
    auto* spin = new TSpinEdit(&form);
    int changes = 0;
    // The settings dialog's rule: anything but an integer of at least 1 becomes 1.
    spin->OnChange = [&] {
        ++changes;
        if (spin->Value() < 1) spin->SetValue(1);
    };
    spin->SetValue(5);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(spin->Value(), 5);
    spin->SetValue(5);
    EXPECT_EQ(changes, 1);

    Key(spin, Qt::Key_A, "", Qt::ControlModifier);
    Key(spin, Qt::Key_Backspace, "\b");  // the text is empty: no number
    EXPECT_EQ(spin->Text(), "1");
    EXPECT_EQ(spin->Value(), 1);
    Key(spin, Qt::Key_A, "", Qt::ControlModifier);
    Type(spin, "0");
    EXPECT_EQ(spin->Value(), 1);
    Key(spin, Qt::Key_A, "", Qt::ControlModifier);
    Type(spin, "12");
    EXPECT_EQ(spin->Value(), 12);

    spin->OnChange = nullptr;
    spin->SetValue(-40);
    EXPECT_EQ(spin->Value(), -40) << "equal bounds are no bounds";
    spin->SetMinValue(1);
    spin->SetMaxValue(10);
    spin->SetValue(25);
    EXPECT_EQ(spin->Value(), 10);
}

TEST(Controls, CheckBoxCheckedInCodeFiresOnClickOnChange) {
    TForm form;
    auto* box = new TCheckBox(&form);
    int clicks = 0;
    box->OnClick = [&] { ++clicks; };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);
    box->click();
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks, 3);
}

TEST(Controls, RadioButtonsExcludeWithinTheirParentAndFireOnClickWhenChecked) {
    TForm form;
    auto* r1 = new TRadioButton(&form);
    auto* r2 = new TRadioButton(&form);
    auto* group = new TGroupBox(&form);
    auto* r3 = new TRadioButton(group);
    auto* r4 = new TRadioButton(group);
    std::vector<std::string> clicks;
    bool r1CheckedInR2Click = true;
    r1->OnClick = [&] { clicks.push_back("r1"); };
    r2->OnClick = [&] {
        clicks.push_back("r2");
        r1CheckedInR2Click = r1->Checked();
    };
    r3->OnClick = [&] { clicks.push_back("r3"); };

    r1->SetChecked(true);
    r3->SetChecked(true);
    r2->SetChecked(true);
    EXPECT_FALSE(r1->Checked());
    EXPECT_FALSE(r1CheckedInR2Click) << "siblings are off before OnClick runs";
    EXPECT_TRUE(r3->Checked()) << "a radio button in another parent is not touched";
    EXPECT_FALSE(r4->Checked());

    r2->click();  // already checked: nothing
    r1->click();
    EXPECT_TRUE(r1->Checked());
    EXPECT_FALSE(r2->Checked());
    EXPECT_EQ(clicks, (std::vector<std::string>{"r1", "r3", "r2", "r1"}));

    r1->SetChecked(false);
    EXPECT_FALSE(r1->Checked());
    EXPECT_EQ(clicks.size(), 4u);
}

TEST(Controls, ButtonModalResultClosesTheFormAfterOnClick) {
    qmtest::ModalDriver driver;
    TForm form;
    auto* ok = new TButton(&form);
    ok->SetModalResult(mrOk);
    int resultSeenInClick = -1;
    ok->OnClick = [&] { resultSeenInClick = form.ModalResult(); };
    driver.Then([&](TForm&) { ok->click(); });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(resultSeenInClick, mrNone);

    auto* plain = new TButton(&form);
    driver.Then([&](TForm& f) {
        plain->Click();
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.SetModalResult(mrCancel);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

// A dialog as the account dialog is built: OK is the Default button, Cancel the Cancel button,
// and the form's key preview runs OK on Enter and Cancel on Esc.
struct OkCancelForm {
    TForm form;
    TEdit* edit = new TEdit(&form);
    TButton* ok = new TButton(&form);
    TButton* cancel = new TButton(&form);
    int okClicks = 0, cancelClicks = 0, previewEnter = 0, previewEsc = 0;

    OkCancelForm() {
        ok->SetDefault(true);
        cancel->SetCancel(true);
        ok->OnClick = [this] { ++okClicks; };
        cancel->OnClick = [this] { ++cancelClicks; };
        SetKeyPreview(&form, {.OnKeyDown = [this](int& key, TShiftState) {
            if (key == VK_RETURN) ++previewEnter, ++okClicks;
            if (key == VK_ESCAPE) ++previewEsc, ++cancelClicks;
        }});
    }
};

TEST(Controls, OneEnterHasOneEffectDefaultButtonBeforeKeyPreview) {
    OkCancelForm f;
    Key(f.edit, Qt::Key_Return, "\r");
    EXPECT_EQ(f.okClicks, 1);
    EXPECT_EQ(f.previewEnter, 0) << "the default button took Enter";
    Key(f.edit, Qt::Key_Escape, "\x1b");
    EXPECT_EQ(f.cancelClicks, 1);
    EXPECT_EQ(f.previewEsc, 0);

    Key(f.cancel, Qt::Key_Return, "\r");  // Enter on a focused button clicks that button
    EXPECT_EQ(f.cancelClicks, 2);
    EXPECT_EQ(f.okClicks, 1);

    f.ok->SetEnabled(false);
    Key(f.edit, Qt::Key_Enter, "\r", Qt::KeypadModifier);
    EXPECT_EQ(f.previewEnter, 1) << "with no button to take it, the form's handler sees Enter";
    EXPECT_EQ(f.okClicks, 2);

    f.ok->SetEnabled(true);
    Key(f.edit, Qt::Key_Return, "\r", Qt::ShiftModifier);
    EXPECT_EQ(f.previewEnter, 2) << "Shift+Enter is no dialog key";
    EXPECT_EQ(f.okClicks, 3);
}

TEST(Controls, KeysRunPreviewThenControlAndHandlersCanDropOrReplaceCharacters) {
    TForm form;
    auto* edit = new TEdit(&form);
    std::string order;
    SetKeyPreview(&form, {.OnKeyDown =
                              [&](int& key, TShiftState) {
                                  order += "F";
                                  if (key == VK_F3) key = 0;
                              },
                          .OnKeyPress =
                              [&](char& c) {
                                  order += "f";
                                  if (c == '.') c = ',';
                              }});
    edit->OnKeyDown = [&](int&, TShiftState) { order += "C"; };
    // The currency grid's rule for rates: digits, operators and the comma only.
    edit->OnKeyPress = [&](char& c) {
        order += "c";
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != ',' && c != '/') c = 0;
    };
    Type(edit, "1.5x/3");
    EXPECT_EQ(edit->Text(), "1,5/3");
    EXPECT_EQ(order.substr(0, 4), "FCfc");
    order.clear();
    Key(edit, Qt::Key_F3);
    EXPECT_EQ(order, "F") << "a key set to 0 goes no further";
}

TEST(Controls, KeysMapToTheDesktopsVirtualKeyCodes) {
    auto vk = [](int key, Qt::KeyboardModifiers m = {}) {
        return VirtualKeyOf(QKeyEvent(QEvent::KeyPress, key, m));
    };
    EXPECT_EQ(vk(Qt::Key_A), 'A');
    EXPECT_EQ(vk(Qt::Key_7), '7');
    EXPECT_EQ(vk(Qt::Key_Exclam, Qt::ShiftModifier), '1') << "the key, not the shifted sign";
    EXPECT_EQ(vk(Qt::Key_5, Qt::KeypadModifier), 101);
    EXPECT_EQ(vk(Qt::Key_Enter, Qt::KeypadModifier), VK_RETURN);
    EXPECT_EQ(vk(Qt::Key_F3), VK_F3);
    EXPECT_EQ(vk(Qt::Key_F12), 123);
    EXPECT_EQ(vk(Qt::Key_PageDown), VK_NEXT);
    EXPECT_EQ(vk(Qt::Key_Comma), 188);
    EXPECT_EQ(vk(Qt::Key_Eacute), 0);
    QKeyEvent ctrlShift(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ShiftStateOf(ctrlShift), ssCtrl | ssShift);
}

TEST(Controls, FindDialogEnterReachesTheDefaultButtonNotTheEditsKeyPress) {
    TForm form;
    auto* edit = new TEdit(&form);
    auto* find = new TButton(&form);
    find->SetDefault(true);
    int finds = 0;
    find->OnClick = [&] { ++finds; };
    edit->OnKeyPress = [&](char& c) {
        if (c == '\r') ++finds;
    };
    Key(edit, Qt::Key_Return, "\r");
    EXPECT_EQ(finds, 1);
}

TEST(Controls, GridStoresCellsInItsBoundsAndDropsThemWhenShrunk) {
    TForm form;
    auto* grid = new TStringGrid(&form);
    grid->SetColCount(3);
    grid->SetFixedCols(0);
    grid->SetRowCount(4);
    EXPECT_EQ(grid->FixedRows(), 1);
    grid->SetCells(0, 0, "Name");
    grid->SetCells(2, 0, "Rate");
    grid->SetCells(0, 1, "Euro");
    grid->SetCells(2, 3, "1/30");
    EXPECT_EQ(grid->Cells(2, 3), "1/30");
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Rate");
    EXPECT_EQ(grid->item(0, 0)->text(), "Euro");

    grid->SetCells(3, 1, "outside");
    grid->SetCells(0, 4, "outside");
    EXPECT_EQ(grid->Cells(3, 1), "");
    EXPECT_EQ(grid->Cells(-1, 0), "");

    grid->SetRowCount(2);
    grid->SetRowCount(4);
    EXPECT_EQ(grid->Cells(2, 3), "") << "shrinking drops the rows outside";
    EXPECT_EQ(grid->Cells(0, 1), "Euro");
    EXPECT_EQ(grid->Cells(0, 0), "Name");

    grid->SetDefaultColWidth(150);
    EXPECT_EQ(grid->ColWidths(1), 150);
    grid->SetColWidths(1, 49);
    EXPECT_EQ(grid->ColWidths(1), 49);
    EXPECT_THROW(grid->SetFixedRows(2), Exception);
}

TEST(Controls, GridAsksOnSelectCellBeforeTheCurrentCellMoves) {
    TForm form;
    auto* grid = new TStringGrid(&form);
    grid->SetColCount(3);
    grid->SetFixedCols(0);
    grid->SetRowCount(3);
    std::vector<std::pair<int, int>> asked;
    grid->OnSelectCell = [&](int col, int row, bool& canSelect) {
        asked.push_back({col, row});
        canSelect = col != 2;
    };
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Col(), 0);
    grid->SetCol(2);
    EXPECT_EQ(grid->Col(), 0) << "refused";
    grid->SetCol(1);
    grid->SetRow(2);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 2);
    Key(grid, Qt::Key_Left);
    EXPECT_EQ(grid->Col(), 0);
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{2, 1}, {1, 1}, {1, 2}, {0, 2}}));
    EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_THROW(grid->SetRow(0), Exception) << "a fixed row never becomes current";
}

TEST(Controls, GridEditorWritesThroughAndEscRestoresTheCell) {
    TForm form;
    auto* grid = new TStringGrid(&form);
    grid->SetColCount(2);
    grid->SetFixedCols(0);
    grid->SetRowCount(2);
    grid->SetOptions(goEditing);
    grid->SetCells(1, 1, "old");
    grid->SetCol(1);
    std::string pressed;
    grid->OnKeyPress = [&](char& c) { pressed += grid->EditorMode() ? c : '_'; };
    form.show();

    Type(grid, "1");  // starts the editor with the character
    auto* editor = OpenEditor(grid);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(grid->EditorMode());
    Type(editor, "/3");
    EXPECT_EQ(grid->Cells(1, 1), "1/3") << "every keystroke is in the store";
    EXPECT_EQ(pressed, "_/3") << "the editor's keys are the grid's";

    Key(editor, Qt::Key_Escape, "\x1b");
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(1, 1), "old");

    Type(grid, "7");
    editor = OpenEditor(grid);
    ASSERT_NE(editor, nullptr);
    Key(editor, Qt::Key_Return, "\r");
    QApplication::processEvents();  // the editor closes from the event loop
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(1, 1), "7");
    EXPECT_EQ(grid->item(0, 1)->text(), "7");
}

TEST(Controls, GridKeepsTypedTextTheCodePageCannotHoldUntilTheCellIsSet) {
    TForm form;
    auto* grid = new TStringGrid(&form);
    grid->SetColCount(2);
    grid->SetFixedCols(0);
    grid->SetRowCount(4);
    grid->SetOptions(goEditing);
    grid->SetCells(0, 1, "old");
    form.show();
    const QString typed = QString::fromUtf8("Rent 中文");

    grid->SetRow(1);
    Type(grid, "x");
    auto* editor = OpenEditor(grid);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    qmtest::TypeText(editor, typed);
    // The store holds the code page's text; the cell keeps what was typed, also after the commit.
    EXPECT_EQ(grid->CellText(0, 1), typed);
    EXPECT_EQ(grid->Cells(0, 1), FromQString(typed));
    Key(editor, Qt::Key_Return, "\r");
    QApplication::processEvents();
    EXPECT_EQ(grid->CellText(0, 1), typed);
    EXPECT_EQ(grid->item(0, 0)->text(), typed);

    // Esc in a later edit brings back the typed text it opened with.
    Type(grid, "y");
    editor = OpenEditor(grid);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(grid->CellText(0, 1), "y");
    Key(editor, Qt::Key_Escape, "\x1b");
    EXPECT_EQ(grid->CellText(0, 1), typed);

    // Moved by text it stays as typed; set from the store's text it is gone.
    grid->SetCellText(0, 2, grid->CellText(0, 1));
    grid->SetCells(0, 1, "new");
    EXPECT_EQ(grid->CellText(0, 1), "new");
    EXPECT_EQ(grid->CellText(0, 2), typed);
    EXPECT_EQ(grid->item(1, 0)->text(), typed);
    grid->SetCellText(0, 3, QString::fromUtf8("Café"));
    EXPECT_EQ(grid->Cells(0, 3), FromQString(QString::fromUtf8("Café")));
    // A cell dropped by shrinking comes back empty.
    grid->SetRowCount(2);
    grid->SetRowCount(4);
    EXPECT_EQ(grid->CellText(0, 2), "");
    EXPECT_EQ(grid->Cells(0, 2), "");
}

TEST(Controls, ListBoxSelectionInCodeAndAfterDeleting) {
    TForm form;
    auto* list = new TListBox(&form);
    for (int i = 0; i < 40; ++i) list->Items().Add("Account " + std::to_string(i));
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(3);
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_TRUE(list->Selected(3));
    list->Items().Delete(5);
    EXPECT_EQ(list->ItemIndex(), 3);
    list->Items().Delete(3);
    EXPECT_EQ(list->ItemIndex(), -1) << "deleting the selected line leaves none selected";
    EXPECT_EQ(list->Items()[3], "Account 4");
    EXPECT_EQ(list->Items().Count(), 38);

    list->SetMultiSelect(true);
    list->SetSelected(1, true);
    list->SetSelected(7, true);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_TRUE(list->Selected(7));
    EXPECT_FALSE(list->Selected(2));
    EXPECT_THROW(list->Selected(38), Exception);

    list->SetBounds(0, 0, 120, 100);
    list->SetTopIndex(20);
    EXPECT_EQ(list->TopIndex(), 20);
}

TEST(Controls, OwnerDrawnListPaintsEachItemThroughOnDrawItem) {
    TForm form;
    auto* list = new TListBox(&form);
    list->SetBounds(0, 0, 120, 60);
    list->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
    list->SetItemHeight(14);
    list->Items().Add("Cash");
    list->Items().Add("Bank");
    list->SetItemIndex(1);
    std::vector<int> drawn;
    std::vector<TRect> rects;
    bool selectedBrushIsHighlight = false;
    list->OnDrawItem = [&](int index, const TRect& r, TOwnerDrawState state, TCanvas& canvas) {
        drawn.push_back(index);
        rects.push_back(r);
        if (state & odSelected) selectedBrushIsHighlight = canvas.Brush.Color == clHighlight;
        canvas.Brush.Color = index == 0 ? clRed : clBlue;
        canvas.FillRect(r);
    };
    form.show();
    QImage image = list->viewport()->grab().toImage();
    ASSERT_GE(drawn.size(), 2u);
    EXPECT_EQ(rects[0].Height(), 14);
    EXPECT_EQ(rects[1].Top, rects[0].Bottom);
    EXPECT_TRUE(selectedBrushIsHighlight);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(5, 14 + 5), QColor(0, 0, 255));
    EXPECT_GT(list->TextWidth("Account"), list->TextWidth("A"));
}

TEST(Controls, DatePickerKeepsTheDayAndShowsItInItsFormat) {
    TForm form;
    auto* picker = new TDateTimePicker(&form);
    const TDateTime d = EncodeDate(2005, 7, 31);
    picker->SetDate(d + 0.75);
    EXPECT_EQ(picker->Date(), d);
    picker->SetFormat("dd.MM.yyyy");
    EXPECT_EQ(picker->Text(), "31.07.2005");
    picker->SetFormat("MM/dd/yyyy");
    EXPECT_EQ(picker->Text(), "07/31/2005");
    EXPECT_EQ(picker->Date(), d);
    EXPECT_EQ(QDateOf(0), QDate(1899, 12, 30));
    EXPECT_EQ(QDateOf(-1.5), QDate(1899, 12, 29));
    EXPECT_EQ(DateOf(QDate(1900, 1, 1)), 2.0);

    int closeUps = 0;
    picker->OnCloseUp = [&] { ++closeUps; };
    QWidget* popup = picker->calendarWidget()->window();
    popup->show();
    popup->hide();
    EXPECT_EQ(closeUps, 1);
}

TEST(Controls, MonthCalendarClickOnADayReachesOnClickAndTheTitleDoesNot) {
    TForm form;
    auto* calendar = new TMonthCalendar(&form);
    calendar->SetBounds(0, 0, 400, 200);
    calendar->SetDate(EncodeDate(2010, 2, 12));
    int clicks = 0;
    calendar->OnClick = [&] { ++clicks; };
    form.show();
    auto* next = calendar->findChild<QToolButton*>("qt_calendar_nextmonth");
    ASSERT_NE(next, nullptr);
    next->click();
    EXPECT_EQ(clicks, 0);
    calendar->SetDate(EncodeDate(2010, 2, 12));

    auto* days = calendar->findChild<QTableView*>();
    ASSERT_NE(days, nullptr);
    QModelIndex cell = days->model()->index(3, 3);
    Click(days->viewport(), days->visualRect(cell).center());
    EXPECT_EQ(clicks, 1);
    int y, m, dd;
    DecodeDate(calendar->Date(), y, m, dd);
    EXPECT_EQ(QDate(y, m, dd), calendar->selectedDate());
}

TEST(Controls, TimerTicksWhileEnabledAndRestartsOnChange) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(10);
    QElapsedTimer t;
    t.start();
    while (ticks < 3 && t.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_GE(ticks, 3);
    timer.SetEnabled(false);
    const int stopped = ticks;
    RunEventsFor(60);
    EXPECT_EQ(ticks, stopped);
}

TEST(Controls, CommonPropertiesAreTheControlsOwn) {
    TForm form;
    auto* panel = new TPanel(&form);
    auto* button = new TButton(panel);
    button->SetBounds(10, 20, 75, 25);
    EXPECT_EQ(button->Left(), 10);
    EXPECT_EQ(button->Top(), 20);
    EXPECT_EQ(button->Width(), 75);
    EXPECT_EQ(button->Height(), 25);
    panel->Hide();
    EXPECT_TRUE(button->Visible()) << "a hidden parent leaves the control's own flag";
    EXPECT_FALSE(button->CanFocus());
    panel->Show();
    panel->SetEnabled(false);
    EXPECT_TRUE(button->Enabled());
    EXPECT_FALSE(button->CanFocus());

    auto* edit = new TEdit(&form);
    edit->SetColor(clBtnFace);
    EXPECT_EQ(edit->Color(), clBtnFace);
    TFont font;
    font.Name = "Arial";
    font.Size = 9;
    font.Style = {fsBold};
    edit->SetFont(font);
    EXPECT_EQ(edit->font().pixelSize(), 12) << "points at 96 pixels per inch, as the canvas";
    EXPECT_TRUE(edit->font().bold());
    EXPECT_EQ(edit->Font(), font);

    auto* label = new TLabel(&form);
    label->SetCaption("One");
    const int oneLine = label->Height();
    label->SetCaption("One\rTwo");
    EXPECT_EQ(label->Caption(), "One\rTwo");
    EXPECT_GT(label->Height(), oneLine + oneLine / 2) << "character 13 breaks the line";
}

TEST(Controls, FocusMovingBetweenControlsFiresOnExitAndOnEnter) {
    TForm form;
    auto* first = new TEdit(&form);
    auto* second = new TEdit(&form);
    std::string events;
    first->OnExit = [&] { events += "x1"; };
    second->OnEnter = [&] { events += "e2"; };
    form.show();
    QApplication::setActiveWindow(&form);
    first->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(first->Focused());
    second->SetFocus();
    QApplication::processEvents();
    EXPECT_TRUE(second->Focused());
    EXPECT_EQ(events, "x1e2");
}

TEST(FileDialogs, HookAnswersWithPathsAndDefaultExtension) {
    std::vector<FileDialogRequest> asked;
    std::vector<std::filesystem::path> answer = {"/tmp/Export/moves"};
    SetFileDialogHook([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return answer;
    });
    TSaveDialog save;
    save.Title = "Export";
    save.Filter = "QIF files|*.qif";
    save.DefaultExt = "qif";
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/tmp/Export/moves.qif");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_FALSE(asked[0].overwritePrompt);
    EXPECT_EQ(asked[0].title, "Export");

    TOpenDialog open;
    open.MultiSelect = true;
    answer = {"/tmp/a.txt", "/tmp/\xd1\x84.bin"};
    ASSERT_TRUE(open.Execute());
    EXPECT_TRUE(asked[1].multiSelect);
    EXPECT_EQ(open.Files, answer) << "paths never pass through the interface code page";
    EXPECT_EQ(open.FileName, answer[0]);
    answer.clear();
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName, "/tmp/a.txt") << "a cancelled dialog keeps the last choice";
    SetFileDialogHook({});

    EXPECT_EQ(QtNameFilters("QIF files|*.qif|Texts|*.txt;*.csv"),
              (QStringList{"QIF files (*.qif)", "Texts (*.txt *.csv)"}));
    EXPECT_EQ(WithDefaultExt("a.tar", "xls"), "a.tar");
    EXPECT_EQ(WithDefaultExt("a", ".xls"), "a.xls");
}

TEST(Shell, OpenGoesToTheHookAsFileOrWebAddress) {
    qmtest::TempDir dir;
    std::vector<QUrl> opened;
    SetShellOpenHook([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_TRUE(ShellOpenFile("help.chm"));
    EXPECT_TRUE(ShellOpenAddress("www.example.org"));
    EXPECT_FALSE(ShellOpenAddress(""));
    SetShellOpenHook({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), (dir.path() / "help.chm").string());
    EXPECT_EQ(opened[1].scheme(), "http");
    EXPECT_EQ(opened[1].host(), "www.example.org");
}

TEST(Shell, ClipboardTextRoundTrip) {
    SetClipboardText("12,50");
    EXPECT_TRUE(ClipboardHasText());
    EXPECT_EQ(ClipboardText(), "12,50");
}

}  // namespace
