// Creating and destroying the dialog forms.
#include "app/all_forms.h"

#include "dialogs/account_delete_dialog.h"
#include "dialogs/account_dialog.h"
#include "dialogs/group_dialog.h"

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
    Form5 = new TForm5();
    Form6 = new TForm6();
}

// The forms go in the reverse order of their creation.
void DestroyDialogs() {
    Destroy(Form6);
    Destroy(Form5);
    Destroy(Form2);
}

}  // namespace qm
