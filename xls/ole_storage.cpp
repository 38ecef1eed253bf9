// The compound-file container over libgsf's OLE writer. No toolkit header is included here: the
// GLib headers libgsf needs use names the toolkit's headers define as macros.
#include "xls/ole_storage.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cerrno>
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

// The same for a failure reported by libgsf, which gives the system's error number as its code.
HRESULT FromError(const GError* err, HRESULT fallback) {
    if (!err) return fallback;
    if (err->domain == gsf_output_error_id()) return FromErrno(err->code, fallback);
    if (err->domain == G_FILE_ERROR) {
        switch (err->code) {
            case G_FILE_ERROR_NOENT:
                return FromErrno(ENOENT, fallback);
            case G_FILE_ERROR_ACCES:
                return FromErrno(EACCES, fallback);
            case G_FILE_ERROR_NOSPC:
                return FromErrno(ENOSPC, fallback);
            case G_FILE_ERROR_NAMETOOLONG:
                return FromErrno(ENAMETOOLONG, fallback);
            default:
                return fallback;
        }
    }
    return fallback;
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

}  // namespace

TOleStream::~TOleStream() {
    CloseOutput(AsOutput(output_));
    g_object_unref(AsOutput(output_));
}

HRESULT TOleStream::Write(const void* data, size_t size) {
    GsfOutput* out = AsOutput(output_);
    if (gsf_output_is_closed(out)) return STG_E_REVERTED;
    if (size == 0) return S_OK;
    if (!gsf_output_write(out, size, static_cast<const guint8*>(data)))
        return FromError(gsf_output_error(out), STG_E_WRITEFAULT);
    return S_OK;
}

HRESULT StgCreateDocfile(const std::filesystem::path& name, uint32_t mode,
                         std::unique_ptr<TOleStorage>& out) {
    out.reset();
    InitOnce();
    if ((mode & ~(STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE)) != 0)
        return STG_E_INVALIDFLAG;
    std::error_code ec;
    if (!(mode & STGM_CREATE) && std::filesystem::exists(name, ec)) return STG_E_FILEALREADYEXISTS;
    if (std::filesystem::is_directory(name, ec)) return STG_E_ACCESSDENIED;
    GError* err = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(name.c_str(), &err);
    if (!sink) {
        HRESULT hr = FromError(err, E_FAIL);
        if (err) g_error_free(err);
        return hr;
    }
    GsfOutfile* outfile = gsf_outfile_msole_new(sink);
    if (!outfile) {
        gsf_output_close(sink);
        g_object_unref(sink);
        return E_FAIL;
    }
    out.reset(new TOleStorage(sink, outfile));
    return S_OK;
}

HRESULT TOleStorage::CreateStream(const std::string& nameUtf8, uint32_t mode,
                                  std::unique_ptr<TOleStream>& out) {
    out.reset();
    if (committed_) return STG_E_REVERTED;
    if ((mode & ~(STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE)) != 0)
        return STG_E_INVALIDFLAG;
    if (!ValidStreamName(nameUtf8)) return STG_E_INVALIDNAME;
    if (names_.count(nameUtf8)) return STG_E_FILEALREADYEXISTS;
    GsfOutput* child =
        gsf_outfile_new_child(static_cast<GsfOutfile*>(outfile_), nameUtf8.c_str(), FALSE);
    if (!child) return E_FAIL;
    names_.insert(nameUtf8);
    g_object_ref(child);
    children_.push_back(child);
    out.reset(new TOleStream(child));
    return S_OK;
}

HRESULT TOleStorage::Commit() {
    if (committed_) return S_OK;
    committed_ = true;
    bool ok = true;
    for (void* child : children_) ok = CloseOutput(AsOutput(child)) && ok;
    GsfOutput* outfile = AsOutput(outfile_);
    GsfOutput* sink = AsOutput(sink_);
    ok = CloseOutput(outfile) && ok;
    ok = CloseOutput(sink) && ok;
    if (ok) return S_OK;
    return FromError(gsf_output_error(sink), STG_E_WRITEFAULT);
}

TOleStorage::~TOleStorage() {
    Commit();
    for (void* child : children_) g_object_unref(AsOutput(child));
    g_object_unref(AsOutput(outfile_));
    g_object_unref(AsOutput(sink_));
}

}  // namespace qm::xls
