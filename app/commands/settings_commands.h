// Binding the main window's commands that open the settings, about, find, attached files and
// moves-with-files dialogs.
#pragma once

namespace qm {

class TForm1;

// Settings (Action13), about (Action26) and the moves with files (Action32) are always available
// and enabled here; find (Action11) and find next (Action29) are switched by DoEnable. The
// attachment menu's "manage" entry reaches the attached files dialog through form.FilesDialog.
// Runs once per window; later calls do nothing.
void ConnectSettingsCommands(TForm1& form);

// The handlers, for callers that run a command without its action.
void Action13Execute(TForm1& form);  // settings
void Action26Execute(TForm1& form);  // about
void Action11Execute(TForm1& form);  // find
void Action29Execute(TForm1& form);  // find next
void Action32Execute(TForm1& form);  // moves with files
void ShowFilesDialog(TForm1& form);

}  // namespace qm
