// The one place where the page codec meets the engine: the pager and b-tree calls it makes, under
// the names the codec's design uses, mapped onto the engine copy it is built against (the
// system's engine version, patched with the page-codec hooks of crypto/engine/).
//
//   design name              engine copy
//   sqlite3pager_set_codec   sqlite3PagerSetCodec (added by our patch)
//   pager_reset              sqlite3PagerClearCache (drops the cache; kept for temporary and
//                            in-memory databases, whose only copy it is)
//   sqlite3pager_pagecount   sqlite3PagerPagecount
//   sqlite3pager_get         sqlite3PagerGet with no flags
//   sqlite3pager_write       sqlite3PagerWrite
//   sqlite3pager_unref       sqlite3PagerUnref
//   sqlite3BtreeBeginTrans   sqlite3BtreeBeginTrans for writing, without a schema version
//   sqlite3BtreeRollback     sqlite3BtreeRollback of the whole transaction, tripping no cursor
//   sqlite3SafetyOn/Off      the connection's open state set to busy and back (engine.c)
//   auxiliary pointer        Db.pAux and Db.xFreeAux (added by our patch)
#pragma once

#include <sqlite3.h>

#include <cstdint>

#include "crypto/engine/codec_engine_glue.h"

struct Pager;
struct PgHdr;
using DbPage = PgHdr;
using Pgno = std::uint32_t;

extern "C" {
Pager* sqlite3BtreePager(Btree*);
int sqlite3BtreeGetPageSize(Btree*);
int sqlite3BtreeBeginTrans(Btree*, int wrflag, int* pSchemaVersion);
int sqlite3BtreeCommit(Btree*);
int sqlite3BtreeRollback(Btree*, int tripCode, int writeOnly);
int sqlite3PagerGet(Pager*, Pgno, DbPage**, int clrFlag);
int sqlite3PagerWrite(DbPage*);
void sqlite3PagerUnref(DbPage*);
void sqlite3PagerPagecount(Pager*, int*);
void sqlite3PagerClearCache(Pager*);
void sqlite3PagerSetCodec(Pager*, void* (*xCodec)(void*, void*, Pgno, int), void* pCodec);
}

namespace qm::engine {

using PageTransform = void* (*)(void* arg, void* data, Pgno pgno, int op);

inline void sqlite3pager_set_codec(Pager* pager, PageTransform transform, void* arg) {
    sqlite3PagerSetCodec(pager, transform, arg);
}
inline void pager_reset(Pager* pager) {
    sqlite3PagerClearCache(pager);
}
inline int sqlite3pager_pagecount(Pager* pager) {
    int n = 0;
    sqlite3PagerPagecount(pager, &n);
    return n;
}
inline int sqlite3pager_get(Pager* pager, Pgno pgno, DbPage** page) {
    return sqlite3PagerGet(pager, pgno, page, 0);
}
inline int sqlite3pager_write(DbPage* page) {
    return sqlite3PagerWrite(page);
}
inline void sqlite3pager_unref(DbPage* page) {
    sqlite3PagerUnref(page);
}
inline int sqlite3BtreeBeginTrans(Btree* btree) {
    return ::sqlite3BtreeBeginTrans(btree, 1, nullptr);
}
inline int sqlite3BtreeRollback(Btree* btree) {
    return ::sqlite3BtreeRollback(btree, SQLITE_OK, 0);
}
inline int sqlite3SafetyOn(sqlite3* db) {
    return qmEngineSafetyOn(db);
}
inline int sqlite3SafetyOff(sqlite3* db) {
    return qmEngineSafetyOff(db);
}

}  // namespace qm::engine
