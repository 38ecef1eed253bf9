// The file layer every connection of the program opens its files through: the engine's own,
// except that a rollback journal this user did not write is never read into a data file.
//
// The engine rolls back a "hot" journal it finds beside a database, at the first read and again
// before every later transaction; whoever can put a file at "<data file>-journal" (another user
// of a folder both can write) could so write pages of their own into the file. The layer sits
// over the engine's default one and refuses such a journal as the engine opens it; the
// statement then fails, through the failure handler, and nothing is written.
#pragma once

#include <sys/stat.h>

#include <string>

namespace qm {

class ESQLiteException;

// Puts the layer over the engine's default one, as the new default, once per process (later
// calls do nothing). Called before the first connection is opened (TSQLiteDatabase's
// constructor does); a layer registered as the default before that stays under it.
void GuardJournals();

// Why a file of this kind (lstat) and owner, beside the data file `dataFile` as its journal or
// one of its copies, is none the program may take for that file's own: empty when it may be, as
// a regular file of this user's or of the data file's owner (who writes the journals of a file
// another user opens); else "a link", "not a regular file" or "owned by another user".
std::string UnfitBeside(const struct stat& st, const std::string& dataFile);

// A journal the layer refused: its absolute name and why ("owned by another user", "not a
// regular file", "a link", ...).
struct TRefusedJournal {
    std::string Path;
    std::string Reason;
};

// Whether `e` is the failure of a statement whose journal the layer refused; `journal` then
// says which journal, and why. The last refusal in the process is the one told, once.
bool RefusedJournalFailure(const ESQLiteException& e, TRefusedJournal& journal);

}  // namespace qm
