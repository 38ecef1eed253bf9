// The QIF import command.
#include "app/commands/qif_import_commands.h"

#include <QAction>
#include <cstdio>

#include "app/exchange/qif_import.h"
#include "app/window/main_window.h"
#include "app/window/window_progress.h"
#include "dialogs/qif_mapping_dialog.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"

namespace qm {

namespace {

// Also a name that opens but cannot be read (a folder) fails here, not later as an empty file.
bool ReadQifFile(const std::filesystem::path& file, std::string& bytes) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return false;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, n);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    return !failed;
}

// Reading, pairing and checking; false once the user has been told why nothing is imported.
bool ReadImport(TForm1& form, const std::filesystem::path& file, TImportAccounts& accounts) {
    std::string bytes;
    TQifRefusal refusal;
    refusal.Entry = 177;  // a file that cannot be read is refused as one that cannot be parsed
    // Our own export writes the display format; month first it must be read month first.
    const bool monthFirst = UpperCase(form.DateFormat).rfind("MM/", 0) == 0;
    {
        TWindowProgress progress(&form);
        progress.Step(0, 4);
        if (ReadQifFile(file, bytes) &&
            ReadQifText(bytes, form.Ui(174), monthFirst, accounts, refusal, progress.Callback()))
            return true;
    }
    const AnsiString detail = QifRefusalDetail(refusal);
    MessageBox(&form, form.Ui(refusal.Entry) + (detail.empty() ? "" : "\n" + detail), form.Ui(172),
               MB_OK | MB_ICONWARNING);
    return false;
}

bool AskTypes(TForm17& dialog, const TImportAccounts& accounts) {
    dialog.FreeItems.clear();
    dialog.ListBox2->Items().Clear();
    for (size_t i = 0; i < accounts.size(); ++i) {
        dialog.FreeItems.push_back(static_cast<int>(i));
        dialog.ListBox2->Items().Add(accounts[i].Name);
    }
    dialog.ShowModal();
    return dialog.Tag == 1;
}

// New accounts may take the ids of deleted ones; a buffer loaded under such an id is stale.
void ForgetLedgers(const TImportAccounts& accounts) {
    for (THeadTab& tab : Head.HeadTabs) {
        if (tab.Kind != tkLedger) continue;
        for (const TImportAccount& account : accounts)
            if (tab.Id == account.Id) tab.BufRows.clear();
    }
    Ledger.Rows.clear();
}

}  // namespace

void Action5Execute(TForm1& form) {
    if (!DB || !Form17) return;
    TOpenDialog OpenDialog1;
    OpenDialog1.Title = form.Ui(172);
    OpenDialog1.Filter = "*.qif|*.qif";
    if (!OpenDialog1.Execute(&form)) return;
    TImportAccounts accounts;
    if (!ReadImport(form, OpenDialog1.FileName, accounts)) return;
    if (!AskTypes(*Form17, accounts)) return;
    {
        TWindowProgress progress(&form);
        WriteQifImport(*DB, accounts, Form17->TypeItems, form.MainCurrencyId, DateToYmd(Date()),
                       form.Period(), progress.Callback());
    }
    ForgetLedgers(accounts);
    form.FormPaint();
}

void ConnectQifImportCommands(TForm1& form) {
    static const char* const kConnected = "qmQifImportConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    TForm1* f = &form;
    // Importing is always possible; no situation of the window switches it.
    form.Action(5)->setEnabled(true);
    QObject::connect(form.Action(5), &QAction::triggered, f, [f] { Action5Execute(*f); });
}

}  // namespace qm
