// The compound-file container over libgsf's OLE writer. No toolkit header is included here: the
// GLib headers libgsf needs use names the toolkit's headers define as macros.
#include "xls/ole_storage.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace qm::xls {

namespace {

GsfOutput* AsOutput(void* p) {
    return static_cast<GsfOutput*>(p);
}

void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

// The desktop's storage status for a failed system call.
HRESULT FromErrno(int err, HRESULT fallback) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return STG_E_PATHNOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return STG_E_ACCESSDENIED;
        case ENAMETOOLONG:
            return STG_E_INVALIDNAME;
        case EMFILE:
        case ENFILE:
            return STG_E_TOOMANYOPENFILES;
        case ENOMEM:
            return STG_E_INSUFFICIENTMEMORY;
        case ENOSPC:
        case EDQUOT:
            return STG_E_MEDIUMFULL;
        case EIO:
            return STG_E_WRITEFAULT;
        default:
            return fallback;
    }
}

// The system's error number behind a failure libgsf reported: its own errors carry it as their
// code (0 where no system call failed), GLib's file errors in their own numbering.
int ErrnoOf(const GError* err) {
    if (!err) return 0;
    if (err->domain == gsf_output_error_id()) return err->code;
    if (err->domain == G_FILE_ERROR) {
        switch (err->code) {
            case G_FILE_ERROR_NOENT:
                return ENOENT;
            case G_FILE_ERROR_ACCES:
                return EACCES;
            case G_FILE_ERROR_NOSPC:
                return ENOSPC;
            case G_FILE_ERROR_NAMETOOLONG:
                return ENAMETOOLONG;
            default:
                return 0;
        }
    }
    return 0;
}

// Gives back `hr`, with `text` as the reason when one is asked for.
HRESULT Fail(HRESULT hr, const std::string& text, std::string* reason) {
    if (reason) *reason = text;
    return hr;
}

// A failed system call: the desktop's status for it, and the system's words.
HRESULT FailErrno(int err, HRESULT fallback, std::string* reason) {
    return Fail(FromErrno(err, fallback), std::strerror(err), reason);
}

// A failure libgsf reported: the system's words where a system call failed, else libgsf's own,
// else `otherwise`.
HRESULT FailError(const GError* err, HRESULT fallback, const char* otherwise, std::string* reason) {
    if (const int e = ErrnoOf(err)) return FailErrno(e, fallback, reason);
    return Fail(fallback, err && err->message && *err->message ? err->message : otherwise, reason);
}

// Length in UTF-16 code units of a UTF-8 text.
size_t Utf16Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) == 0x80) continue;
        n += c >= 0xF0 ? 2 : 1;
    }
    return n;
}

bool ValidStreamName(const std::string& name) {
    if (name.empty() || Utf16Length(name) > 31) return false;
    return name.find_first_of("/\\:!") == std::string::npos;
}

bool CloseOutput(GsfOutput* out) {
    return gsf_output_is_closed(out) || gsf_output_close(out);
}

// Past a failure nothing may reach the file's name: with an error set, closing the file removes
// what was written instead of renaming it into place.
void Spoil(GsfOutput* sink) {
    if (!gsf_output_is_closed(sink) && !gsf_output_error(sink))
        gsf_output_set_error(sink, 0, "The compound file could not be completed");
}

}  // namespace

TOleStream::TOleStream(void* output, void* sink) : output_(output), sink_(sink) {
    g_object_ref(AsOutput(sink_));
}

TOleStream::~TOleStream() {
    CloseOutput(AsOutput(output_));
    g_object_unref(AsOutput(output_));
    g_object_unref(AsOutput(sink_));
}

HRESULT TOleStream::Write(const void* data, size_t size, std::string* reason) {
    GsfOutput* out = AsOutput(output_);
    if (gsf_output_is_closed(out))
        return Fail(STG_E_REVERTED, "The stream was closed before this write", reason);
    const bool written = size == 0 || gsf_output_write(out, size, static_cast<const guint8*>(data));
    // A large stream goes through to the file, and the container does not pass on a write the
    // file refused: the file keeps that error.
    if (const GError* err = gsf_output_error(AsOutput(sink_)))
        return FailError(err, STG_E_WRITEFAULT, "The file refused a write", reason);
    if (!written)
        return FailError(gsf_output_error(out), STG_E_WRITEFAULT, "The stream refused a write",
                         reason);
    return S_OK;
}

HRESULT StgCreateDocfile(const std::filesystem::path& name, uint32_t mode,
                         std::unique_ptr<TOleStorage>& out, std::string* reason) {
    out.reset();
    InitOnce();
    if ((mode & ~(STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE)) != 0)
        return Fail(STG_E_INVALIDFLAG, "The access mode is not one a compound file takes", reason);
    std::error_code ec;
    const bool exists = std::filesystem::exists(name, ec);
    if (!(mode & STGM_CREATE) && exists) return FailErrno(EEXIST, STG_E_FILEALREADYEXISTS, reason);
    if (std::filesystem::is_directory(name, ec))
        return FailErrno(EISDIR, STG_E_ACCESSDENIED, reason);
    // Refused here: libgsf's words for it would name the file.
    if (exists && !std::filesystem::is_regular_file(name, ec))
        return Fail(STG_E_ACCESSDENIED, "Not a regular file", reason);
    GError* err = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(name.c_str(), &err);
    if (!sink) {
        const HRESULT hr = FailError(err, E_FAIL, "The file could not be created", reason);
        if (err) g_error_free(err);
        return hr;
    }
    GsfOutfile* outfile = gsf_outfile_msole_new(sink);
    if (!outfile) {
        Spoil(sink);
        gsf_output_close(sink);
        g_object_unref(sink);
        return Fail(E_FAIL, "The compound file could not be started", reason);
    }
    out.reset(new TOleStorage(sink, outfile));
    return S_OK;
}

HRESULT TOleStorage::CreateStream(const std::string& nameUtf8, uint32_t mode,
                                  std::unique_ptr<TOleStream>& out, std::string* reason) {
    out.reset();
    if (committed_) return Fail(STG_E_REVERTED, "The file was committed before", reason);
    if ((mode & ~(STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE)) != 0)
        return Fail(STG_E_INVALIDFLAG, "The access mode is not one a stream takes", reason);
    if (!ValidStreamName(nameUtf8))
        return Fail(STG_E_INVALIDNAME, "The stream name is not one a compound file takes", reason);
    if (names_.count(nameUtf8))
        return Fail(STG_E_FILEALREADYEXISTS, "A stream of that name exists", reason);
    GsfOutput* child =
        gsf_outfile_new_child(static_cast<GsfOutfile*>(outfile_), nameUtf8.c_str(), FALSE);
    if (!child) return Fail(E_FAIL, "The stream could not be made", reason);
    names_.insert(nameUtf8);
    g_object_ref(child);
    children_.push_back(child);
    out.reset(new TOleStream(child, sink_));
    return S_OK;
}

HRESULT TOleStorage::Commit(std::string* reason) {
    if (!committed_) {
        committed_ = true;
        GsfOutput* sink = AsOutput(sink_);
        bool ok = true;
        for (void* child : children_) ok = CloseOutput(AsOutput(child)) && ok;
        if (!ok) Spoil(sink);
        ok = CloseOutput(AsOutput(outfile_)) && ok;
        if (!ok) Spoil(sink);
        ok = CloseOutput(sink) && ok;
        // The file's error decides, not the closes alone: after a write it refused while the
        // container wrote its tables, every close can succeed, the file removed all the same.
        if (const GError* err = gsf_output_error(sink))
            commitResult_ =
                FailError(err, STG_E_WRITEFAULT, "The file refused a write", &commitReason_);
        else if (!ok)
            commitResult_ =
                Fail(STG_E_WRITEFAULT, "The compound file could not be completed", &commitReason_);
    }
    if (Failed(commitResult_) && reason) *reason = commitReason_;
    return commitResult_;
}

TOleStorage::~TOleStorage() {
    Commit();
    for (void* child : children_) g_object_unref(AsOutput(child));
    g_object_unref(AsOutput(outfile_));
    g_object_unref(AsOutput(sink_));
}

}  // namespace qm::xls
