// Qt's input events turned into the main window's handlers in the order the program expects:
// key-down before the typed character, a double click before the mouse-down of its second press,
// and an application-wide look at every key for Tab and F1.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

#include "app/unit1.h"
#include "controls/number_text.h"
#include "controls/rx_label.h"
#include "platform/keystate.h"

namespace qm {

namespace {

TShiftState WithButtons(const QMouseEvent& e) {
    return ShiftStateOf(e);
}

// The character a key types in the interface code page, or 0.
char TypedChar(const QKeyEvent& e) {
    switch (e.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return '\t';
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return '\r';
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Backspace:
            return 8;
        default:
            break;
    }
    const QString text = e.text();
    if (text.size() != 1 || text.at(0).unicode() < 32) return 0;
    const AnsiString ansi = FromQString(text);
    return ansi.size() == 1 ? ansi[0] : 0;
}

// A typed character that the code page cannot hold, which would reach the cell as "?".
bool UnfitCharTyped(const QKeyEvent& e) {
    const QString text = e.text();
    return !text.isEmpty() && text.at(0).unicode() >= 32 && !FitsCodePage(text);
}

// The number, note and correspondent cells take every character; the date and amount cells
// ignore all but a few, quietly.
bool TextCellCurrent() {
    return CurrentTab().Kind == tkLedger && !Ledger.Rows.empty() && Ledger.CurCol >= 1 &&
           Ledger.CurCol <= 3;
}

}  // namespace

void TForm1::CreateInputControls() {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    Timer1 = new TTimer(this);
    Timer1->SetInterval(100);
    Timer1->SetEnabled(false);
    Timer1->OnTimer = [this] { Timer1Timer(); };
    Timer2 = new TTimer(this);
    Timer2->SetInterval(500);
    Timer2->OnTimer = [this] { Timer2Timer(); };
    PopupMenu3 = new QMenu(this);
    Panel3 = new TPanel(this);
    Panel3->SetVisible(false);
    RxLabel1 = new TRxLabel(Panel3);
    RxLabel1->SetAutoSize(false);
    RxLabel1->SetWordWrap(true);
    RxLabel1->SetShadowSize(0);
    RxLabel1->SetColor(RGB(248, 255, 192));
    RxLabel1->SetBounds(0, 0, 105, 47);
    ListBox1->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
    ListBox1->OnMouseDown = [this](TMouseButton, TShiftState, int, int) { ListBox1MouseDown(); };
    ListBox1->OnKeyDown = [this](int& key, TShiftState shift) { ListBox1KeyDown(key, shift); };
    InstallSideKeyTracker(QApplication::instance());
    if (QApplication::instance()) QApplication::instance()->installEventFilter(this);
}

bool TForm1::event(QEvent* e) {
    // Until start-up has run to its end there is no database behind the views: the window's
    // own keys, clicks and wheel turns go nowhere.
    if (!startupComplete_) {
        switch (e->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
                e->accept();
                return true;
            default:
                break;
        }
    }
    return TPaintedWidget::event(e);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && startupComplete_) AppMessage(watched, e);
    return TPaintedWidget::eventFilter(watched, e);
}

void TForm1::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FormMouseDown(MouseButtonOf(*e), WithButtons(*e), p.x(), p.y());
}

void TForm1::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FormMouseMove(WithButtons(*e), p.x(), p.y());
}

void TForm1::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FormMouseUp(MouseButtonOf(*e), WithButtons(*e), p.x(), p.y());
}

void TForm1::mouseDoubleClickEvent(QMouseEvent* e) {
    // Qt delivers the double click in place of the second press.
    const QPoint p = e->position().toPoint();
    FormDblClick();
    FormMouseDown(MouseButtonOf(*e), WithButtons(*e) | ssDouble, p.x(), p.y());
}

void TForm1::wheelEvent(QWheelEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    const TShiftState shift = 0;
    if (e->angleDelta().y() < 0)
        FormMouseWheelDown(shift, {global.x(), global.y()});
    else if (e->angleDelta().y() > 0)
        FormMouseWheelUp(shift, {global.x(), global.y()});
}

void TForm1::keyPressEvent(QKeyEvent* e) {
    int key = VirtualKeyOf(*e);
    // Keys without a virtual key of their own (accented letters, other scripts) still type.
    if (key != 0) {
        FormKeyDown(key, ShiftStateOf(*e));
        if (key == 0) return;  // consumed
    }
    if (UnfitCharTyped(*e)) {
        // Refused as the controls refuse input, and the cell stays as it was.
        if (TextCellCurrent()) MessageBeep();
        return;
    }
    char c = TypedChar(*e);
    // Tab reaches FormKeyPress through the application-wide hook.
    if (c != 0 && c != '\t') FormKeyPress(c);
}

bool TForm1::focusNextPrevChild(bool) {
    // Tab never moves the focus away from the main window: the ledger uses it.
    return false;
}

}  // namespace qm
