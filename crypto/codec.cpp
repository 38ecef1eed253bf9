// The page codec: key derivation, the page transform the engine calls for every page it reads or
// writes, and the key entry points (attach, key, re-key).
//
// Design notes.
// 1. A database has a CodecState exactly while its pager has codecTransformPage installed with
//    that state as the argument. The state hangs on the database entry (auxiliary pointer), and
//    the engine releases it when the entry's b-tree closes (DETACH, close, failed ATTACH). The
//    transform gets the state rather than the entry because the engine moves its entries when
//    databases are attached and detached.
// 2. Outside a re-key the three flags are equal and all three schedules come from the stored key
//    material. During one, the write side holds the new key while the read and journal sides keep
//    the old: pages are read and journalled as the file holds them and written as it will.
// 3. The transform takes the page size from the b-tree at each call: an empty database, or the
//    temporary copy a VACUUM makes, can change it after the state exists. The page buffer grows.
// 4. A failed re-key leaves the file and the state under the old key: the write side is put back
//    before the rollback, which copies the journal (written under the old key) into the file.
#include "crypto/codec.h"

#include <string.h>  // explicit_bzero

#include <cassert>
#include <cstdlib>
#include <cstring>

#include "crypto/codec_engine.h"
#include "crypto/sha256.h"

namespace qm {

const std::uint8_t kCodecSalt[kCodecSaltSize] = {0x5b, 0xe0, 0x3a, 0x19, 0xc4, 0x7d, 0x2e, 0x86,
                                                 0xf1, 0x0b, 0x9a, 0x43, 0xd6, 0x27, 0x8c, 0xe5};

namespace {

constexpr std::size_t kBufferLead = 4;  // the usable area starts this far into the allocation
constexpr std::size_t kBufferSlack = 8;

CodecState* stateOf(Db* entry) {
    return static_cast<CodecState*>(qmEngineDbAux(entry));
}

std::size_t pageSizeOf(Btree* btree) {
    return static_cast<std::size_t>(sqlite3BtreeGetPageSize(btree));
}

// The page number as a 32-bit little-endian integer, four times.
void pageIv(std::uint32_t pgno, std::uint8_t iv[kAesBlockSize]) {
    for (std::size_t i = 0; i < kAesBlockSize; ++i) {
        iv[i] = static_cast<std::uint8_t>(pgno >> (8 * (i % 4)));
    }
}

bool reservePageBuffer(CodecState& state, std::size_t pageSize) {
    if (state.pageBuffer != nullptr && state.pageBufferSize >= pageSize) return true;
    void* grown = std::realloc(state.pageBuffer, pageSize + kBufferSlack);
    if (grown == nullptr) return false;
    state.pageBuffer = static_cast<std::uint8_t*>(grown);
    state.pageBufferSize = pageSize;
    return true;
}

// The engine's page sizes are powers of two from 512 up, so CBC never meets a partial block.
void* encipherPage(CodecState& state, const void* page, std::uint32_t pgno,
                   const AesEncryptContext& context) {
    const std::size_t pageSize = pageSizeOf(state.btree);
    assert(pageSize % kAesBlockSize == 0);
    if (!reservePageBuffer(state, pageSize)) return nullptr;
    std::uint8_t iv[kAesBlockSize];
    pageIv(pgno, iv);
    std::uint8_t* out = state.pageBuffer + kBufferLead;
    aesCbcEncrypt(static_cast<const std::uint8_t*>(page), out, pageSize, context, iv);
    return out;
}

// All three sides from the stored key material.
void setAllKeys(CodecState& state) {
    state.writeFlag = state.journalFlag = state.readFlag = 1;
    aesEncryptKey256(state.keyMaterial, state.writeContext);
    state.journalContext = state.writeContext;
    aesDecryptKey256(state.keyMaterial, state.readContext);
}

// The connection whose re-key runs on this thread; its progress callback runs with the busy mark
// lifted and must not start another.
thread_local sqlite3* rekeying = nullptr;

// Key material on the stack, wiped when it goes out of scope.
struct KeyMaterial {
    std::uint8_t bytes[kCodecKeyMaterialSize] = {};
    KeyMaterial() = default;
    ~KeyMaterial() { explicit_bzero(bytes, sizeof(bytes)); }
    KeyMaterial(const KeyMaterial&) = delete;
    KeyMaterial& operator=(const KeyMaterial&) = delete;
};

// Holds the connection's mutex (recursive, so the engine's own callers may already hold it).
class ConnectionLock {
  public:
    explicit ConnectionLock(sqlite3* db) : mutex_(sqlite3_db_mutex(db)) {
        sqlite3_mutex_enter(mutex_);
    }
    ~ConnectionLock() { sqlite3_mutex_leave(mutex_); }
    ConnectionLock(const ConnectionLock&) = delete;
    ConnectionLock& operator=(const ConnectionLock&) = delete;

  private:
    sqlite3_mutex* mutex_;
};

}  // namespace

void codecDeriveKey(const void* password, std::size_t length,
                    std::uint8_t material[kCodecKeyMaterialSize]) {
    pbkdf2HmacSha256(static_cast<const std::uint8_t*>(password), length, kCodecSalt, kCodecSaltSize,
                     kCodecKdfIterations, material, kCodecKeyMaterialSize);
}

CodecState* codecCreateState(Db* entry) {
    auto* state = static_cast<CodecState*>(std::calloc(1, sizeof(CodecState)));
    if (state == nullptr) return nullptr;
    state->btree = qmEngineDbBtree(entry);
    if (!reservePageBuffer(*state, pageSizeOf(state->btree))) {
        std::free(state);
        return nullptr;
    }
    qmEngineSetDbAux(entry, state, codecFreeAux);
    return state;
}

void codecFreeState(CodecState* state) {
    if (state == nullptr) return;
    std::free(state->pageBuffer);
    explicit_bzero(state, sizeof(*state));  // key material and schedules
    std::free(state);
}

void codecFreeAux(void* state) {
    codecFreeState(static_cast<CodecState*>(state));
}

void codecDetachState(Db* entry) {
    CodecState* state = stateOf(entry);
    qmEngineSetDbAux(entry, nullptr, nullptr);
    codecFreeState(state);
}

void* codecTransformPage(void* arg, void* data, std::uint32_t pgno, int op) {
    auto& state = *static_cast<CodecState*>(arg);
    switch (op) {
        case 0:
        case 2:
        case kCodecReadPage:
            if (state.readFlag) {
                std::uint8_t iv[kAesBlockSize];
                pageIv(pgno, iv);
                auto* page = static_cast<std::uint8_t*>(data);
                const std::size_t pageSize = pageSizeOf(state.btree);
                assert(pageSize % kAesBlockSize == 0);
                aesCbcDecrypt(page, page, pageSize, state.readContext, iv);
            }
            return data;
        case kCodecWriteDatabase:
            return state.writeFlag ? encipherPage(state, data, pgno, state.writeContext) : data;
        case kCodecWriteJournal:
            return state.journalFlag ? encipherPage(state, data, pgno, state.journalContext) : data;
        default:
            return nullptr;
    }
}

namespace {

// Calls the connection's progress callback when its step count is reached, with the busy mark
// lifted for the call.
int reportProgress(sqlite3* db, unsigned& steps) {
    const QmEngineProgress progress = qmEngineProgress(db);
    if (progress.xProgress == nullptr || ++steps < progress.nOps) return SQLITE_OK;
    steps = 0;
    if (engine::sqlite3SafetyOff(db)) return SQLITE_MISUSE;
    const bool stop = progress.xProgress(progress.pArg) != 0;
    if (engine::sqlite3SafetyOn(db)) return SQLITE_MISUSE;
    return stop ? SQLITE_ABORT : SQLITE_OK;
}

// Reads and rewrites every page but the lock-byte page, which holds no data and must stay as the
// file has it.
int rewriteAllPages(sqlite3* db, Btree* btree) {
    Pager* pager = sqlite3BtreePager(btree);
    const int pageCount = engine::sqlite3pager_pagecount(pager);
    const Pgno lockBytePage = qmEngineLockBytePage(btree);
    unsigned steps = 0;
    int rc = SQLITE_OK;
    for (Pgno pgno = 1; rc == SQLITE_OK && pgno <= static_cast<Pgno>(pageCount); ++pgno) {
        if (pgno == lockBytePage) continue;
        rc = reportProgress(db, steps);
        if (rc == SQLITE_OK && qmEngineInterrupted(db)) rc = SQLITE_INTERRUPT;
        if (rc != SQLITE_OK) break;
        DbPage* page = nullptr;
        rc = engine::sqlite3pager_get(pager, pgno, &page);
        if (rc == SQLITE_OK) {
            rc = engine::sqlite3pager_write(page);
            engine::sqlite3pager_unref(page);
        }
    }
    return rc;
}

// Steps 5 to 8 of a re-key, inside the write transaction that it ends.
int rekeyInTransaction(sqlite3* db, Db* entry, Btree* btree, bool newKey,
                       const std::uint8_t material[kCodecKeyMaterialSize]) {
    CodecState* state = stateOf(entry);
    if (state == nullptr) {
        state = codecCreateState(entry);
        if (state == nullptr) {
            engine::sqlite3BtreeRollback(btree);
            return SQLITE_NOMEM;
        }
        engine::sqlite3pager_set_codec(sqlite3BtreePager(btree), codecTransformPage, state);
    }
    const std::uint32_t oldWriteFlag = state->writeFlag;
    const AesEncryptContext oldWriteContext = state->writeContext;
    state->writeFlag = newKey ? 1 : 0;
    if (newKey) aesEncryptKey256(material, state->writeContext);

    int rc = rewriteAllPages(db, btree);
    if (rc == SQLITE_OK) rc = sqlite3BtreeCommit(btree);
    if (rc != SQLITE_OK) {
        state->writeFlag = oldWriteFlag;
        state->writeContext = oldWriteContext;
        engine::sqlite3BtreeRollback(btree);
        return rc;
    }
    state->journalFlag = state->readFlag = state->writeFlag;
    if (newKey) {
        std::memcpy(state->keyMaterial, material, kCodecKeyMaterialSize);
        state->journalContext = state->writeContext;
        aesDecryptKey256(material, state->readContext);
    }
    return SQLITE_OK;
}

}  // namespace

}  // namespace qm

using namespace qm;

extern "C" int sqlite3CodecAttach(sqlite3* db, int iDb, const void* key, int keyLength) {
    Db* entry = qmEngineDb(db, iDb);
    Btree* btree = entry != nullptr ? qmEngineDbBtree(entry) : nullptr;
    if (btree == nullptr) return SQLITE_OK;
    Pager* pager = sqlite3BtreePager(btree);
    engine::pager_reset(pager);

    const bool usable = key != nullptr && (keyLength > 0 || keyLength == kCodecRawKeyLength);
    CodecState* state = usable ? stateOf(entry) : nullptr;
    if (usable && state == nullptr) state = codecCreateState(entry);
    if (state == nullptr) {
        engine::sqlite3pager_set_codec(pager, nullptr, nullptr);
        codecDetachState(entry);
        // A key that cannot be held must not leave the database writing plain pages silently.
        return usable ? SQLITE_NOMEM : SQLITE_OK;
    }
    if (keyLength > 0) {
        codecDeriveKey(key, static_cast<std::size_t>(keyLength), state->keyMaterial);
    } else {
        std::memcpy(state->keyMaterial, key, kCodecKeyMaterialSize);
    }
    setAllKeys(*state);
    engine::sqlite3pager_set_codec(pager, codecTransformPage, state);
    return SQLITE_OK;
}

extern "C" void sqlite3CodecGetKey(sqlite3* db, int iDb, void** key, int* keyLength) {
    Db* entry = qmEngineDb(db, iDb);
    CodecState* state = entry != nullptr ? stateOf(entry) : nullptr;
    *key = state != nullptr ? state->keyMaterial : nullptr;
    *keyLength = state != nullptr ? kCodecRawKeyLength : 0;
}

extern "C" int sqlite3_key(sqlite3* db, const void* key, int keyLength) {
    if (db == nullptr) return SQLITE_MISUSE;
    ConnectionLock lock(db);
    return sqlite3CodecAttach(db, 0, key, keyLength);
}

extern "C" int sqlite3_rekey(sqlite3* db, const void* key, int keyLength) {
    // A re-key takes only a password; a negative length names no form of key here.
    if (db == nullptr || keyLength < 0) return SQLITE_MISUSE;
    ConnectionLock lock(db);
    Db* entry = qmEngineDb(db, 0);
    Btree* btree = entry != nullptr ? qmEngineDbBtree(entry) : nullptr;
    if (btree == nullptr) return SQLITE_MISUSE;

    const CodecState* old = stateOf(entry);
    const bool hadKey = old != nullptr && old->writeFlag != 0;
    const bool newKey = key != nullptr && keyLength > 0;
    KeyMaterial material;
    if (newKey) codecDeriveKey(key, static_cast<std::size_t>(keyLength), material.bytes);
    const bool sameKey = hadKey && newKey &&
                         std::memcmp(old->keyMaterial, material.bytes, kCodecKeyMaterialSize) == 0;
    if (sameKey || (!hadKey && !newKey)) return SQLITE_OK;
    // Committing here would also commit (or, on failure, undo) the caller's open transaction; a
    // re-key from the progress callback of one that runs would end the transaction under it.
    if (!sqlite3_get_autocommit(db) || rekeying == db) return SQLITE_MISUSE;

    if (engine::sqlite3SafetyOn(db)) return SQLITE_MISUSE;
    rekeying = db;
    int rc = engine::sqlite3BtreeBeginTrans(btree);
    if (rc == SQLITE_OK) rc = rekeyInTransaction(db, entry, btree, newKey, material.bytes);
    rekeying = nullptr;

    const CodecState* state = stateOf(entry);
    if (state != nullptr && !state->writeFlag && !state->readFlag) {
        engine::sqlite3pager_set_codec(sqlite3BtreePager(btree), nullptr, nullptr);
        codecDetachState(entry);
    }
    if (engine::sqlite3SafetyOff(db)) return SQLITE_MISUSE;
    return rc;
}
