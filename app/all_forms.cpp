// Creating and destroying the dialog forms.
#include "app/all_forms.h"

namespace qm {

void CreateDialogs() {}

// The forms go in the reverse order of their creation.
void DestroyDialogs() {}

}  // namespace qm
