// Fuzz target: a move's stored attachment value (bill_move.files), as the attached files dialog,
// the moves-with-files dialog and the main window's attachment menu read it.
//
// Invariants beyond the sanitizers' (and libFuzzer's memory limit, which catches a value that
// makes the program allocate what it declares):
// 1. Every file read from a value lies within the value's data.
// 2. An intact value lists its files back to back over exactly its data; written again it reads
//    back the same, through the database's blob too; a file added or removed leaves the other
//    files' bytes as they were.
// 3. A damaged value refuses every change and is never written.
#include <cstddef>
#include <cstdint>

#include "app/attached_files.h"
#include "fuzz/fuzz_support.h"

using namespace qm;
using qmfuzz::Require;

namespace {

AnsiString Data(const AnsiString& value) {
    const size_t split = value.find('\x01');
    return split == AnsiString::npos ? AnsiString() : value.substr(split + 1);
}

void CheckDamaged(TAttachedFiles files, const AnsiString& value) {
    for (size_t k = 0; k < files.Count(); ++k)
        Require(files.Bytes(k).size() <= Data(value).size(), "a file lies within the data");
    bool refused = false;
    try {
        files.Add("receipt.pdf", "%PDF");
    } catch (const EDamagedAttachments&) {
        refused = true;
    }
    Require(refused, "a damaged value takes no file");
    if (files.Count() == 0) return;
    refused = false;
    try {
        files.Remove(0);
    } catch (const EDamagedAttachments&) {
        refused = true;
    }
    Require(refused, "a damaged value gives up no file");
}

void CheckSameFiles(const TAttachedFiles& a, const TAttachedFiles& b, const char* what) {
    Require(a.Count() == b.Count(), what);
    for (size_t k = 0; k < a.Count(); ++k)
        Require(a.Entries()[k].Name == b.Entries()[k].Name && a.Bytes(k) == b.Bytes(k), what);
}

void CheckIntact(const TAttachedFiles& files, const AnsiString& value) {
    AnsiString joined;
    for (size_t k = 0; k < files.Count(); ++k) {
        Require(files.Offset(k) == joined.size(), "files lie back to back");
        joined += files.Bytes(k);
    }
    Require(joined == Data(value), "the files are exactly the data");

    const TAttachedFiles again = TAttachedFiles::Parse(files.Value());
    Require(!again.Damaged(), "a written value is intact");
    CheckSameFiles(files, again, "a written value reads back the same");

    auto db = qmfuzz::NewProgramDatabase();
    db->ExecSQL("insert into bill_move (id, bill_move_id) values (1, 2)");
    db->ExecSQL("insert into bill_move (id, bill_move_id) values (2, 1)");
    Require(AttachmentRowId(*db, 2) == 1, "the value lives on the pair's smaller id");
    WriteAttachedFiles(*db, 1, files.Value());
    CheckSameFiles(files, TAttachedFiles::Parse(ReadAttachedFiles(*db, 1)),
                   "a stored value reads back the same");

    TAttachedFiles grown = files;
    grown.Add("added.bin", value.substr(0, 7));
    const TAttachedFiles grownBack = TAttachedFiles::Parse(grown.Value());
    Require(!grownBack.Damaged() && grownBack.Count() == files.Count() + 1,
            "an added file is one more entry");
    Require(grownBack.Bytes(files.Count()) == value.substr(0, 7), "an added file reads back");
    for (size_t k = 0; k < files.Count(); ++k)
        Require(grownBack.Bytes(k) == files.Bytes(k), "adding keeps the other files");

    if (files.Count() == 0) return;
    for (size_t gone : {size_t{0}, files.Count() / 2, files.Count() - 1}) {
        TAttachedFiles cut = files;
        cut.Remove(gone);
        const TAttachedFiles cutBack = TAttachedFiles::Parse(cut.Value());
        Require(!cutBack.Damaged() && cutBack.Count() == files.Count() - 1,
                "a removed file is one entry less");
        for (size_t k = 0; k < cutBack.Count(); ++k)
            Require(cutBack.Bytes(k) == files.Bytes(k < gone ? k : k + 1),
                    "removing keeps the other files");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qmfuzz::UseProgramSettings();
    qmfuzz::AbortOnDatabaseFailure();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const AnsiString value(reinterpret_cast<const char*>(data), size);
    const TAttachedFiles files = TAttachedFiles::Parse(value);
    if (files.Damaged())
        CheckDamaged(files, value);
    else
        CheckIntact(files, value);
    return 0;
}
