// The files attached to a move: the one value that holds them in bill_move.files (an index of
// "name<3>size" entries joined by character 2, then character 1, then the bytes of every file in
// index order), where it lives in the move's pair, and the file system's side of storing, saving
// and opening them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "db/sqlite_table3.h"
#include "platform/ansistring.h"

namespace qm {

class TAttachedFiles {
  public:
    struct Entry {
        AnsiString Name;  // in the interface code page, without folder
        size_t Size = 0;
    };

    // A value without character 1 (NULL or empty in the database) holds no files. A size that
    // is no number counts as 0; a size running past the data is cut at its end when read.
    static TAttachedFiles Parse(const AnsiString& value);
    // The value is not one the program writes: an entry without its size, a size that is not
    // plain decimal digits, sizes that do not add up to exactly the data's length, or text
    // without the data mark. Such a value is only read (within its bytes), never changed: its
    // sizes cannot be trusted to say where one file ends, nor how much memory to set aside.
    bool Damaged() const { return damaged_; }
    // Index, character 1, data; empty when no entry is left.
    AnsiString Value() const;

    const std::vector<Entry>& Entries() const { return entries_; }
    size_t Count() const { return entries_.size(); }
    // Where entry k's bytes start in the data: the sizes of the entries before it.
    size_t Offset(size_t k) const;
    AnsiString Bytes(size_t k) const;

    // Both raise EDamagedAttachments on a damaged value and leave it as it was.
    void Add(const AnsiString& name, const AnsiString& bytes);
    void Remove(size_t k);

  private:
    std::vector<Entry> entries_;
    AnsiString data_;
    bool damaged_ = false;
};

// A change asked of a damaged attachment value; its message tells the user so.
class EDamagedAttachments : public Exception {
  public:
    EDamagedAttachments();
};

// The row of the move's pair that holds the value: the smaller of the move's id and its twin's;
// -1 when the move is gone.
int AttachmentRowId(TSQLiteDatabase& db, int moveId);
AnsiString ReadAttachedFiles(TSQLiteDatabase& db, int rowId);
// Stores the value through the statement's bound blob. A value the engine cannot hold in one
// field raises Exception before anything is written.
void WriteAttachedFiles(TSQLiteDatabase& db, int rowId, const AnsiString& value);

// The name a chosen file is stored under: its own name in the interface code page. False when
// the name cannot be held there, or holds one of the value's separator characters, since the
// file could then never be found again under that name.
bool StorableFileName(const std::filesystem::path& file, AnsiString& name);
// The message that refuses such a file.
AnsiString UnstorableNameMessage(const std::filesystem::path& file);

// Reads a whole file; a failure raises Exception naming the file and the cause.
AnsiString ReadWholeFile(const std::filesystem::path& file);
// Writes the bytes as `file`, whole or not at all (WriteFileWhole): on failure an earlier file of
// that name is as it was, nothing is left beside it, and Exception names the file once with the
// system's reason. False, with nothing written, when `file` is the data file or its journal
// (IsDataFileOrJournal).
bool WriteWholeFile(const std::filesystem::path& file, const AnsiString& bytes);

// Writes the bytes, whole, as a new file under the stored name (mode 0600) in a folder of this
// user's alone (mode 0700) that the session makes and holds in the temporary folder (the user's
// own cache folder where the temporary folder is another user's: PrivateTempFolder), and returns
// the copy's path for the desktop to open. Nothing that stands in the temporary folder is
// written through or replaced, and neither is an earlier copy, which the program it was handed
// to may still be reading: a name copied before goes into a new folder inside the session's.
// Raises Exception when the name is no plain file name, or naming the file or folder and the
// cause when the copy cannot be made; no partial copy is left then. Main thread only: the
// session's folder is kept between calls.
std::filesystem::path WriteTempCopy(const AnsiString& name, const AnsiString& bytes);
// Removes the folders of copies that this user's ended sessions left where WriteTempCopy puts
// them: a running copy of the program, on this data file or another, holds its own and keeps it.
// Called once at start.
void RemoveEndedCopies();

}  // namespace qm
