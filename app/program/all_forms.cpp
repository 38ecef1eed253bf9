// Creating and destroying the dialog forms.
#include "app/program/all_forms.h"

#include "dialogs/about_dialog.h"
#include "dialogs/account_delete_dialog.h"
#include "dialogs/account_dialog.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/budget_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/currencies_dialog.h"
#include "dialogs/export_dialog.h"
#include "dialogs/files_dialog.h"
#include "dialogs/find_dialog.h"
#include "dialogs/group_dialog.h"
#include "dialogs/moves_with_files_dialog.h"
#include "dialogs/print_settings_dialog.h"
#include "dialogs/qif_mapping_dialog.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/table_report_dialog.h"
#include "dialogs/transaction_dialog.h"

namespace qm {

namespace {
template <typename Form>
void Destroy(Form*& form) {
    delete form;
    form = nullptr;
}
}  // namespace

void CreateDialogs() {
    Form2 = new TForm2();
    Form3 = new TForm3();
    Form4 = new TForm4();
    Form5 = new TForm5();
    Form6 = new TForm6();
    Form7 = new TForm7();
    Form8 = new TForm8();
    Form9 = new TForm9();
    Form10 = new TForm10();
    Form11 = new TForm11();
    Form12 = new TForm12();
    Form13 = new TForm13();
    Form14 = new TForm14();
    Form15 = new TForm15();
    Form16 = new TForm16();
    Form17 = new TForm17();
    Form18 = new TForm18();
}

// The forms go in the reverse order of their creation.
void DestroyDialogs() {
    Destroy(Form18);
    Destroy(Form17);
    Destroy(Form16);
    Destroy(Form15);
    Destroy(Form14);
    Destroy(Form13);
    Destroy(Form12);
    Destroy(Form11);
    Destroy(Form10);
    Destroy(Form9);
    Destroy(Form8);
    Destroy(Form7);
    Destroy(Form6);
    Destroy(Form5);
    Destroy(Form4);
    Destroy(Form3);
    Destroy(Form2);
}

}  // namespace qm
