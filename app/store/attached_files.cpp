// The attachment value of a move and the file system's side of it.
#include "app/store/attached_files.h"

#include <sqlite3.h>

#include <QFile>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "app/store/database_file.h"
#include "db/sqlite_statement.h"
#include "platform/files.h"

namespace qm {

namespace {

constexpr char kDataMark = '\x01', kEntryMark = '\x02', kSizeMark = '\x03';

// The folders of opened copies, one a session, in the folder PrivateTempFolder gives.
constexpr const char* kCopiesPrefix = "quillmarsh-files-";

AnsiString DisplayName(const std::filesystem::path& file) {
    return FromQString(QFile::decodeName(file.native().c_str()));
}

[[noreturn]] void RaiseFileError(const std::filesystem::path& file, int error) {
    throw Exception(DisplayName(file) + ": " + std::strerror(error));
}

// A size as the program writes it: decimal digits only, no sign and no blanks. Twenty digits
// or more are past any length a value can have.
bool ReadSize(const AnsiString& text, size_t& size) {
    if (text.empty() || text.size() > 19) return false;
    size = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        size = size * 10 + static_cast<size_t>(c - '0');
    }
    return true;
}

// The session's folder of copies, made on the first opening and made again when it no longer
// serves: the temporary folder changed, or the folder is gone, replaced or not this user's alone
// (a cleaner of the temporary folder may remove it in a long session, and anyone may then take
// its name). It is held for the rest of the session, so that another copy's start leaves it.
std::filesystem::path SessionCopiesFolder() {
    static THeldFolder folder;  // main thread only
    static std::filesystem::path madeIn;
    std::string error;
    const std::filesystem::path temp = PrivateTempFolder(&error);
    if (temp.empty()) throw Exception(error);
    if (folder.Path().empty() || madeIn != temp || !folder.Intact()) {
        if (!folder.Create(temp, kCopiesPrefix)) RaiseFileError(temp, errno);
        madeIn = temp;
    }
    return folder.Path();
}

}  // namespace

TAttachedFiles TAttachedFiles::Parse(const AnsiString& value) {
    TAttachedFiles files;
    const size_t split = value.find(kDataMark);
    if (split == AnsiString::npos) {
        files.damaged_ = !value.empty();
        return files;
    }
    files.data_ = value.substr(split + 1);
    const AnsiString index = value.substr(0, split);
    size_t declared = 0;  // the sizes read so far, never past the data's length
    for (size_t pos = 0; split > 0 && pos <= index.size();) {
        size_t end = index.find(kEntryMark, pos);
        if (end == AnsiString::npos) end = index.size();
        const AnsiString entry = index.substr(pos, end - pos);
        const size_t mark = entry.find(kSizeMark);
        Entry e;
        e.Name = entry.substr(0, mark);
        size_t size = 0;
        if (mark == AnsiString::npos || !ReadSize(entry.substr(mark + 1), size)) {
            files.damaged_ = true;  // no size: it counts as 0
        } else {
            e.Size = size;
            if (size > files.data_.size() - declared)
                files.damaged_ = true;
            else
                declared += size;
        }
        files.entries_.push_back(e);
        pos = end + 1;
    }
    if (declared != files.data_.size()) files.damaged_ = true;
    return files;
}

AnsiString TAttachedFiles::Value() const {
    if (entries_.empty()) return {};
    AnsiString value;
    for (size_t k = 0; k < entries_.size(); ++k) {
        if (k > 0) value += kEntryMark;
        value += entries_[k].Name + kSizeMark + IntToStr(static_cast<int64_t>(entries_[k].Size));
    }
    return value + kDataMark + data_;
}

size_t TAttachedFiles::Offset(size_t k) const {
    // Saturates: the declared sizes of a damaged value may add up past any length.
    size_t offset = 0;
    for (size_t i = 0; i < k && i < entries_.size(); ++i)
        offset = entries_[i].Size > SIZE_MAX - offset ? SIZE_MAX : offset + entries_[i].Size;
    return offset;
}

AnsiString TAttachedFiles::Bytes(size_t k) const {
    if (k >= entries_.size()) return {};
    const size_t offset = std::min(Offset(k), data_.size());
    return data_.substr(offset, entries_[k].Size);
}

void TAttachedFiles::Add(const AnsiString& name, const AnsiString& bytes) {
    if (damaged_) throw EDamagedAttachments();
    data_ += bytes;
    entries_.push_back({name, bytes.size()});
}

void TAttachedFiles::Remove(size_t k) {
    if (damaged_) throw EDamagedAttachments();
    if (k >= entries_.size()) return;
    data_.erase(Offset(k), entries_[k].Size);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(k));
}

EDamagedAttachments::EDamagedAttachments()
    : Exception(
          "The files stored with this transaction are damaged: the sizes recorded for them do "
          "not match the stored data. They were left as they are.") {}

int AttachmentRowId(TSQLiteDatabase& db, int moveId) {
    TSQLiteStatement& t = db.Statement("select bill_move_id from bill_move where id = ?");
    t.Bind(1, moveId);
    const bool found = t.Step();
    const int twin = found ? static_cast<int>(t.FieldAsInteger(0)) : 0;
    t.Reset();
    if (!found) return -1;
    return twin > 0 ? std::min(moveId, twin) : moveId;
}

AnsiString ReadAttachedFiles(TSQLiteDatabase& db, int rowId) {
    TSQLiteStatement& f = db.Statement("select files from bill_move where id = ?");
    f.Bind(1, rowId);
    const AnsiString value = f.Step() ? f.FieldAsString(0) : AnsiString();
    f.Reset();
    return value;
}

void WriteAttachedFiles(TSQLiteDatabase& db, int rowId, const AnsiString& value) {
    // The engine refuses a field longer than its limit; the bound length must also fit an int.
    const int limit = sqlite3_limit(db.Handle(), SQLITE_LIMIT_LENGTH, -1);
    if (value.size() > static_cast<size_t>(limit))
        throw Exception("The attached files take " + IntToStr(static_cast<int64_t>(value.size())) +
                        " bytes together; one transaction can hold at most " + IntToStr(limit) +
                        " bytes.");
    db.UpdateBlob("update bill_move set files = ? where id = " + IntToStr(rowId), value);
}

bool StorableFileName(const std::filesystem::path& file, AnsiString& name) {
    const QString own = QFile::decodeName(file.filename().native().c_str());
    if (own.isEmpty() || !FitsCodePage(own)) return false;
    name = FromQString(own);
    return name.find_first_of(AnsiString{kDataMark, kEntryMark, kSizeMark}) == AnsiString::npos;
}

AnsiString UnstorableNameMessage(const std::filesystem::path& file) {
    return "The file \"" + DisplayName(file.filename()) +
           "\" cannot be attached: its name holds characters this program cannot store. "
           "Rename the file and attach it again.";
}

AnsiString ReadWholeFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) RaiseFileError(file, EISDIR);
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) RaiseFileError(file, errno ? errno : EIO);
    AnsiString bytes;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || !in) RaiseFileError(file, errno ? errno : EIO);
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(bytes.data(), size)) RaiseFileError(file, errno ? errno : EIO);
    return bytes;
}

bool WriteWholeFile(const std::filesystem::path& file, const AnsiString& bytes) {
    if (IsDataFileOrJournal(file)) return false;
    std::string error;
    if (WriteFileWhole(file, bytes, &error)) return true;
    // The file as the user knows its name, once, before the system's reason.
    const std::string named = file.string() + ": ";
    if (error.compare(0, named.size(), named) == 0)
        error = DisplayName(file) + ": " + error.substr(named.size());
    throw Exception(error);
}

std::filesystem::path WriteTempCopy(const AnsiString& name, const AnsiString& bytes) {
    // Only a plain name is taken, so a stored name never reaches outside the copies' folder.
    const std::filesystem::path own(AnsiToUtf8(name));
    if (name.empty() || own.filename() != own || own == "." || own == "..")
        throw Exception("\"" + name + "\" is not a file name that can be opened.");
    const std::filesystem::path folder = SessionCopiesFolder();
    std::filesystem::path target = folder / own;
    if (WriteNewPrivateFile(target, bytes)) return target;
    if (errno != EEXIST) RaiseFileError(target, errno);
    // A copy of this name was made before and may still be open: the new one gets a folder of
    // its own inside the session's.
    const std::filesystem::path inner = CreatePrivateFolder(folder, "");
    if (inner.empty()) RaiseFileError(folder, errno);
    target = inner / own;
    if (!WriteNewPrivateFile(target, bytes)) {
        const int error = errno;
        std::error_code ec;
        std::filesystem::remove(inner, ec);
        RaiseFileError(target, error);
    }
    return target;
}

void RemoveEndedCopies() {
    const std::filesystem::path temp = PrivateTempFolder();
    if (!temp.empty()) RemoveUnheldFolders(temp, kCopiesPrefix);
}

}  // namespace qm
