/* The engine copy that only the page codec and its tests link: the generated single-file engine
** source (with our hook patch) compiled with every symbol hidden, so it never clashes with the
** system library that the program links, plus the few accessors of engine structures that the
** codec needs and that the engine has no function for. */

/* Internal functions become linkable (but stay hidden) so that the codec can call the pager and
** b-tree layers by their own names. */
#define SQLITE_PRIVATE __attribute__((visibility("hidden")))
#define SQLITE_API __attribute__((visibility("hidden")))
/* A b-tree shared between connections would outlive the database entry that owns the codec's
** state, so the engine copy is built without shared cache. */
#define SQLITE_OMIT_SHARED_CACHE 1

#include "codec_engine_glue.h"
#include "sqlite3.c"

Db* qmEngineDb(sqlite3* db, int iDb) {
    if (db == 0 || iDb < 0 || iDb >= db->nDb) return 0;
    return &db->aDb[iDb];
}

Btree* qmEngineDbBtree(Db* pDb) {
    return pDb->pBt;
}

void* qmEngineDbAux(Db* pDb) {
    return pDb->pAux;
}

void qmEngineSetDbAux(Db* pDb, void* pAux, void (*xFreeAux)(void*)) {
    pDb->pAux = pAux;
    pDb->xFreeAux = xFreeAux;
}

/* The engine no longer marks a connection busy; its open-state field still has the value for it,
** and every API entry that checks the state treats a busy connection as misuse. */
int qmEngineSafetyOn(sqlite3* db) {
    if (db->eOpenState != SQLITE_STATE_OPEN) return 1;
    db->eOpenState = SQLITE_STATE_BUSY;
    return 0;
}

int qmEngineSafetyOff(sqlite3* db) {
    if (db->eOpenState != SQLITE_STATE_BUSY) return 1;
    db->eOpenState = SQLITE_STATE_OPEN;
    return 0;
}

unsigned int qmEngineLockBytePage(Btree* p) {
    return PENDING_BYTE_PAGE(p->pBt);
}

QmEngineProgress qmEngineProgress(sqlite3* db) {
    QmEngineProgress p;
    p.xProgress = db->xProgress;
    p.pArg = db->pProgressArg;
    p.nOps = db->nProgressOps;
    return p;
}

int qmEngineInterrupted(sqlite3* db) {
    return AtomicLoad(&db->u1.isInterrupted) != 0;
}
