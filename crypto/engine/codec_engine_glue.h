/* Accessors of the engine copy's structures for the page codec (defined in engine.c, where the
** structures are visible). The codec sees the connection, its database entries and b-trees only
** as opaque pointers. */
#ifndef QM_CODEC_ENGINE_GLUE_H
#define QM_CODEC_ENGINE_GLUE_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct sqlite3 sqlite3;
typedef struct Db Db;
typedef struct Btree Btree;

typedef struct QmEngineProgress {
    int (*xProgress)(void*); /* the connection's progress callback, or NULL */
    void* pArg;              /* its argument */
    unsigned nOps;           /* how many steps between two calls */
} QmEngineProgress;

/* Database entry iDb of the connection, or NULL when there is none. */
Db* qmEngineDb(sqlite3* db, int iDb);
Btree* qmEngineDbBtree(Db* pDb);
void* qmEngineDbAux(Db* pDb);
void qmEngineSetDbAux(Db* pDb, void* pAux, void (*xFreeAux)(void*));
/* Mark the connection busy and clear the mark; 1 when it was not open (resp. not busy). */
int qmEngineSafetyOn(sqlite3* db);
int qmEngineSafetyOff(sqlite3* db);
/* The page that holds the file's lock bytes (1073741824 / page size + 1 unless moved by a test);
** it never holds data. */
unsigned int qmEngineLockBytePage(Btree* p);
QmEngineProgress qmEngineProgress(sqlite3* db);
int qmEngineInterrupted(sqlite3* db);

#ifdef __cplusplus
}
#endif

#endif
