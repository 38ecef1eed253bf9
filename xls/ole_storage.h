// A compound-file (structured storage) container in the shape the desktop offers it: create a
// storage file, create a stream in it, write the stream, commit. Failures come back as the storage
// status codes of that desktop, derived from the underlying error, and each failing call can also
// give the reason in words: the system's own (as strerror gives it) where the system refused, else
// a sentence of ours; never the file's name, which the caller knows. Written over libgsf; this file
// and its source include no toolkit header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qm::xls {

using HRESULT = int32_t;

constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}
constexpr HRESULT Code(uint32_t v) {
    return static_cast<HRESULT>(v);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = Code(0x80004005);
constexpr HRESULT STG_E_PATHNOTFOUND = Code(0x80030003);
constexpr HRESULT STG_E_TOOMANYOPENFILES = Code(0x80030004);
constexpr HRESULT STG_E_ACCESSDENIED = Code(0x80030005);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = Code(0x80030008);
constexpr HRESULT STG_E_WRITEFAULT = Code(0x8003001D);
constexpr HRESULT STG_E_FILEALREADYEXISTS = Code(0x80030050);
constexpr HRESULT STG_E_MEDIUMFULL = Code(0x80030070);
constexpr HRESULT STG_E_INVALIDNAME = Code(0x800300FC);
constexpr HRESULT STG_E_INVALIDFLAG = Code(0x800300FF);
constexpr HRESULT STG_E_REVERTED = Code(0x80030102);

// Access modes: create (replacing an existing file), read and write, exclusive sharing.
constexpr uint32_t STGM_READWRITE = 0x0002;
constexpr uint32_t STGM_SHARE_EXCLUSIVE = 0x0010;
constexpr uint32_t STGM_CREATE = 0x1000;

class TOleStorage;

// One stream of a storage; its bytes are handed to the container when it is released.
class TOleStream {
  public:
    ~TOleStream();
    TOleStream(const TOleStream&) = delete;
    TOleStream& operator=(const TOleStream&) = delete;
    // Fails, with `reason` (when given), when the file below refused bytes, now or before.
    HRESULT Write(const void* data, size_t size, std::string* reason = nullptr);

  private:
    friend class TOleStorage;
    TOleStream(void* output, void* sink);
    void* output_;  // GsfOutput* of the stream
    void* sink_;    // GsfOutput* of the file, where a refused write shows
};

// A compound file being written. Commit writes it out; releasing it without a commit commits too,
// as releasing the last reference does on the desktop. The file appears under its name only once
// it is complete, so a failed write leaves an earlier file of that name as it was, and no
// partial file beside it.
class TOleStorage {
  public:
    ~TOleStorage();
    TOleStorage(const TOleStorage&) = delete;
    TOleStorage& operator=(const TOleStorage&) = delete;

    // Stream names are at most 31 UTF-16 characters, without '/', '\', ':' or '!'.
    HRESULT CreateStream(const std::string& nameUtf8, uint32_t mode,
                         std::unique_ptr<TOleStream>& out, std::string* reason = nullptr);
    // S_OK only when the whole file stands under its name. A write the file refused at any time,
    // even one the container did not report, fails the commit with that write's reason.
    HRESULT Commit(std::string* reason = nullptr);

  private:
    friend HRESULT StgCreateDocfile(const std::filesystem::path&, uint32_t,
                                    std::unique_ptr<TOleStorage>&, std::string*);
    TOleStorage(void* sink, void* outfile) : sink_(sink), outfile_(outfile) {}
    void* sink_;     // GsfOutput* of the file
    void* outfile_;  // GsfOutfile* of the compound file
    std::set<std::string> names_;
    std::vector<void*> children_;  // GsfOutput* of every stream, closed before the file is
    bool committed_ = false;
    HRESULT commitResult_ = S_OK;  // what the one commit gave, and why it failed
    std::string commitReason_;
};

HRESULT StgCreateDocfile(const std::filesystem::path& name, uint32_t mode,
                         std::unique_ptr<TOleStorage>& out, std::string* reason = nullptr);

}  // namespace qm::xls
