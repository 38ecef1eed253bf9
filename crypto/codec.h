// The page codec: enciphers every database page with AES-256 in CBC mode when the engine writes it
// to the database file or a journal, and deciphers it when the engine reads it, under a key derived
// from a password with PBKDF2-HMAC-SHA-256. It lives in the engine copy that only the codec and
// its tests link; the program's own engine never sees a key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/aes.h"

struct sqlite3;
struct Db;
struct Btree;

namespace qm {

inline constexpr std::size_t kCodecKeyMaterialSize = 60;
// A key length that marks the key as 60 bytes of raw key material rather than a password.
inline constexpr int kCodecRawKeyLength = -60;
inline constexpr std::uint32_t kCodecKdfIterations = 1024;
inline constexpr std::size_t kCodecSaltSize = 16;
// One salt for every database and key, so that one password always gives the same material.
extern const std::uint8_t kCodecSalt[kCodecSaltSize];

// The page-transform operations the engine uses.
inline constexpr int kCodecReadPage = 3;  // 0 and 2 mean the same
inline constexpr int kCodecWriteDatabase = 6;
inline constexpr int kCodecWriteJournal = 7;

// One per keyed database of a connection, owned by its database entry. During a re-key the write
// side runs one key ahead of the read and journal sides.
struct CodecState {
    std::uint32_t writeFlag;  // pages written to the database file are enciphered
    AesEncryptContext writeContext;
    std::uint32_t journalFlag;  // pages written to a journal are enciphered
    AesEncryptContext journalContext;
    std::uint32_t readFlag;  // pages read from the file or a journal are deciphered
    AesDecryptContext readContext;
    // Bytes 0 to 31 are the AES-256 key; 32 to 59 are carried along unused.
    std::uint8_t keyMaterial[kCodecKeyMaterialSize];
    // The enciphered copy of a page being written; its usable area starts 4 bytes into the
    // allocation and holds pageBufferSize bytes.
    std::uint8_t* pageBuffer;
    std::size_t pageBufferSize;
    // The database's b-tree, whose page size the transform follows.
    Btree* btree;
};

// Derives the 60 bytes of key material from a password.
void codecDeriveKey(const void* password, std::size_t length,
                    std::uint8_t material[kCodecKeyMaterialSize]);

CodecState* codecCreateState(Db* entry);
void codecFreeState(CodecState* state);
void codecFreeAux(void* state);
void codecDetachState(Db* entry);

// The engine's page transform; arg is the CodecState. Returns the bytes to use: the page itself
// (deciphered in place on reads), or the state's page buffer holding the enciphered page on
// writes; null for an operation the engine does not use, or when the buffer cannot grow to a
// larger page size.
void* codecTransformPage(void* arg, void* data, std::uint32_t pgno, int op);

}  // namespace qm

extern "C" {
// Called by the engine when a key is given for database iDb (ATTACH ... KEY, PRAGMA key).
int sqlite3CodecAttach(sqlite3* db, int iDb, const void* key, int keyLength);
// The key material of database iDb with length -60, or null and 0 when it has none.
void sqlite3CodecGetKey(sqlite3* db, int iDb, void** key, int* keyLength);
// Keys the main database: a password of positive length, 60 bytes of raw material with length
// -60, or no key (null or any other length).
int sqlite3_key(sqlite3* db, const void* key, int keyLength);
// Re-enciphers the main database under a new password (null or length 0: none).
int sqlite3_rekey(sqlite3* db, const void* key, int keyLength);
}
