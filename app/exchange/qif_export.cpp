// QIF export: an account list, then one cash section per account with an opening balance item
// and one item per move.
#include "app/exchange/qif_export.h"

#include "app/window/main_window.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "platform/files.h"

namespace qm {

namespace {

const char* const kEol = "\r\n";

AnsiString AmountText(AnsiString stored) {
    const size_t comma = stored.find(',');
    if (comma != AnsiString::npos) stored[comma] = '.';
    return stored;
}

// The text shows at most this much of a stored value in a message.
AnsiString Quoted(const AnsiString& text) {
    return "\"" + (text.size() > 40 ? text.substr(0, 40) + "..." : text) + "\"";
}

AnsiString MoveDate(TSQLiteTable& move, const AnsiString& account, const AnsiString& dateFormat) {
    const AnsiString stored = move.FieldAsString(0);
    try {
        return FormatDateTime(dateFormat, YmdToDate(stored));
    } catch (const EConvertError&) {
        throw EQifExport("Account " + Quoted(account) + ", the move numbered " +
                         Quoted(Utf8ToAnsi(move.FieldAsString(1))) + " with the note " +
                         Quoted(Utf8ToAnsi(move.FieldAsString(2))) + ": its stored date " +
                         Quoted(stored) + " is no date.");
    }
}

AnsiString AccountBlock(TSQLiteDatabase& db, int64_t id, const AnsiString& name,
                        const AnsiString& dateFormat, TDateTime today) {
    AnsiString block = "!Account" + AnsiString(kEol) + "N" + name + kEol + "TCash" + kEol + "^" +
                       kEol + "!Type:Cash" + kEol;
    block += "D" + FormatDateTime(dateFormat, today) + kEol + "U0.00" + kEol + "T0.00" + kEol +
             "POpening Balance" + kEol + "L[" + name + "]" + kEol + "^" + kEol;
    auto moves = db.GetTable(
        "select m.ts, m.num, m.note, m.amount, b.name from bill_move m, bill b where b.id = "
        "m.dest_bill_id and "
        "m.src_bill_id = " +
        IntToStr(id) + " order by m.ts, m.num, m.id");
    for (; !moves->Eof(); moves->Next()) {
        const AnsiString amount = AmountText(moves->FieldAsString(3));
        block += "D" + MoveDate(*moves, name, dateFormat) + kEol;
        block += "N" + Utf8ToAnsi(moves->FieldAsString(1)) + kEol + "M" +
                 Utf8ToAnsi(moves->FieldAsString(2)) + kEol;
        block += "U" + amount + kEol + "T" + amount + kEol;
        block += "L[" + Utf8ToAnsi(moves->FieldAsString(4)) + "]" + kEol + "^" + kEol;
    }
    return block;
}

}  // namespace

AnsiString QifExportText(TSQLiteDatabase& db, const AnsiString& dateFormat, TDateTime today) {
    AnsiString text = "!Account" + AnsiString(kEol);
    AnsiString held;
    auto accounts = db.GetTable("select id, name from bill where bill_id > 0 order by name");
    for (; !accounts->Eof(); accounts->Next()) {
        const AnsiString name = Utf8ToAnsi(accounts->FieldAsString(1));
        text += "N" + name + kEol + "TCash" + kEol + "^" + kEol;
        held += AccountBlock(db, accounts->FieldAsInteger(0), name, dateFormat, today);
    }
    if (!held.empty()) text += held + kEol;
    return text;
}

bool WriteQifFile(TSQLiteDatabase& db, const AnsiString& dateFormat, TDateTime today,
                  const std::filesystem::path& file, AnsiString& reason) {
    AnsiString text;
    try {
        text = QifExportText(db, dateFormat, today);
    } catch (const EQifExport& e) {
        reason = e.Message;
        return false;
    }
    std::string error;
    if (WriteFileWhole(file, text, &error)) return true;
    reason = error;
    return false;
}

std::filesystem::path QifFileName(const std::filesystem::path& chosen) {
    const std::string name = chosen.string();
    if (name.size() >= 4 && UpperCase(name.substr(name.size() - 4)) == ".QIF") return chosen;
    return std::filesystem::path(name + ".qif");
}

void TForm1::Action6Execute() {
    TSaveDialog SaveDialog1;
    SaveDialog1.Title = Ui(173);
    SaveDialog1.Filter = "*.qif|*.qif";
    if (!SaveDialog1.Execute(this)) return;
    const std::filesystem::path file = QifFileName(SaveDialog1.FileName);
    if (FileExists(file) && MessageBox(this, Ui(123), Ui(136), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    AnsiString reason;
    if (!WriteQifFile(*DB, DateFormat, Date(), file, reason))
        MessageBox(this, Ui(198) + "\r\r" + reason, "Quillmarsh", MB_OK | MB_ICONERROR);
}

}  // namespace qm
