// One call per group of commands; each group's file says what it binds.
#include "app/connect_all.h"

#include "app/account_commands.h"
#include "app/settings_commands.h"

namespace qm {

void ConnectAllCommands(TForm1& form) {
    ConnectAccountCommands(form);
    ConnectSettingsCommands(form);
}

}  // namespace qm
