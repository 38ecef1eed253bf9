// The main window's commands: the actions of the main menu, the two pop-up menus and their
// captions. A command whose handler is not connected stays disabled.
#include <QMenu>
#include <QMenuBar>

#include "app/window/main_window.h"

namespace qm {

namespace {
struct MenuItem {
    int action;   // Action number, or 0 for a submenu / separator
    int caption;  // UiStrings entry, -1 for a separator
};
}  // namespace

void TForm1::CreateActions() {
    for (int n = 1; n <= 32; ++n) {
        actions_[n] = new QAction(this);
        actions_[n]->setEnabled(false);
    }
    // Sorting is one choice of three.
    for (int n : {1, 2, 12}) actions_[n]->setCheckable(true);
    actions_[1]->setChecked(true);
    actions_[1]->setData(0);
    actions_[2]->setData(1);
    actions_[12]->setData(2);
    actions_[11]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    actions_[29]->setShortcut(QKeySequence(Qt::Key_F3));
    actions_[3]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actions_[7]->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    for (int n = 1; n <= 32; ++n) addAction(actions_[n]);
    Connect(7, [this] { close(); });
    Connect(3, [this] { Save(); });
    Connect(20, [this] { Action20Execute(); });
    Connect(21, [this] { Action21Execute(); });
    Connect(8, [this] { Action8Execute(); });
    Connect(9, [this] { Action9Execute(); });
    Connect(10, [this] { Action10Execute(); });
    Connect(24, [this] { Action24Execute(); });
    Connect(6, [this] { Action6Execute(); });
    Connect(25, [this] { Action25Execute(); });
    Connect(1, [this] { Action1Execute(actions_[1]); });
    Connect(2, [this] { Action1Execute(actions_[2]); });
    Connect(12, [this] { Action1Execute(actions_[12]); });
}

void TForm1::Connect(int action, std::function<void()> handler) {
    actions_[action]->setEnabled(true);
    QObject::connect(actions_[action], &QAction::triggered, this, [handler] { handler(); });
}

void TForm1::Action1Execute(QAction* chosen) {
    for (int n : {1, 2, 12}) actions_[n]->setChecked(actions_[n] == chosen);
    SortMode = chosen->data().toInt();
    Ledger.Rows.clear();
    FormPaint();
}

void TForm1::CreateMainMenu() {
    // Top-level menus by position, each with its items; captions are set from UiStrings later.
    const std::vector<std::vector<MenuItem>> menus = {
        {{3, 59}, {5, 172}, {6, 173}, {23, 60}, {32, 184}, {0, -1}, {7, 61}},
        {{8, 51}, {9, 52}, {10, 53}, {11, 62}, {29, 126}, {0, 63}, {13, 64}},
        {{14, 40}, {15, 39}, {16, 22}, {17, 68}, {18, 46}, {27, 44}, {28, 45}},
        {{19, 47}, {20, 48}, {4, 49}, {21, 50}},
        {{22, 139}, {30, 57}, {31, 141}},
        {{24, 69}, {25, 70}, {26, 71}},
    };
    const int menuCaptions[] = {54, 55, 56, 57, 138, 58};
    for (size_t m = 0; m < menus.size(); ++m) {
        QMenu* menu = ActionMainMenuBar1->addMenu(ToQString(Ui(menuCaptions[m])));
        for (const MenuItem& item : menus[m]) {
            if (item.caption < 0) {
                menu->addSeparator();
            } else if (item.action == 0) {
                // The sort submenu of the edit menu.
                QMenu* sort = menu->addMenu(ToQString(Ui(item.caption)));
                int captions[] = {65, 66, 67};
                int acts[] = {1, 2, 12};
                for (int i = 0; i < 3; ++i) {
                    actions_[acts[i]]->setText(ToQString(Ui(captions[i])));
                    sort->addAction(actions_[acts[i]]);
                }
            } else {
                actions_[item.action]->setText(ToQString(Ui(item.caption)));
                menu->addAction(actions_[item.action]);
            }
        }
    }
}

void TForm1::CreatePopupMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu2 = new QMenu(this);
    // Tree menu by position: N1 N2 N3 | N20 N21 N22 | N8 N9 N10 | N12 N13.
    const int tree[] = {1, 2, 3, 19, 20, 21, 22, 4, 8, 9, 10, 11, 12, 13};
    const int ledger[] = {5, 6, 18, 7, 14, 15, 16, 17};
    const int separators[] = {19, 4, 11, 14};
    for (int n = 1; n <= 22; ++n) {
        items_[n] = new QAction(this);
        for (int s : separators)
            if (n == s) items_[n]->setSeparator(true);
    }
    for (int n : tree) PopupMenu1->addAction(items_[n]);
    for (int n : ledger) PopupMenu2->addAction(items_[n]);
    const struct {
        int item, caption;
    } captions[] = {{1, 39},  {2, 22}, {3, 40}, {20, 41}, {21, 42}, {22, 43}, {8, 44},  {9, 45},
                    {10, 46}, {5, 47}, {6, 48}, {18, 49}, {7, 50},  {15, 51}, {16, 52}, {17, 53}};
    for (const auto& c : captions) items_[c.item]->setText(ToQString(Ui(c.caption)));
    for (int n = 1; n <= 22; ++n)
        if (!items_[n]->isSeparator()) items_[n]->setEnabled(false);
    // The ledger menu's items run the same commands as the main menu.
    const struct {
        int item, action;
    } shared[] = {{5, 19}, {6, 20}, {18, 4}, {7, 21}, {15, 8}, {16, 9}, {17, 10}};
    for (const auto& m : shared)
        QObject::connect(items_[m.item], &QAction::triggered, actions_[m.action],
                         &QAction::trigger);
}

}  // namespace qm
