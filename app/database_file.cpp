// Creation, backup rotation, layout check and upgrades of the database file.
#include "app/database_file.h"

#include <algorithm>

#include "platform/files.h"

namespace qm {
namespace {

const char* const kCreateStatements[] = {
    "CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to TEXT, "
    "budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts TEXT, "
    "isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, name TEXT, "
    "position NUMERIC)",
    "CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
    "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT, "
    "files BLOB)",
    "CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT)",
    "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name TEXT, "
    "ts TEXT, kurs_str TEXT)",
    "CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT)",
    "INSERT INTO currency VALUES (1,'TEST',1,'TEST','20100212141230','1')",
};

const char* const kExpectedLayout =
    ";BILL,twosign,budget_type,budget,budget_date_to,budget_date_from,budget_amount,amount,"
    "currency_id,ts,isopen,bill_type_id,bill_id,id,name,position;bill_move,kurs,bill_move_id,num,"
    "amount,dest_bill_id,id,note,src_bill_id,ts;bill_type,id,name;currency,kurs,short_name,id,"
    "name,ts;param,id,name,value";

// The program's queries and the indexes that answer them without reading the whole table:
// - a ledger reads one account's moves in the order "ts, num, id", which the index holds as it
//   is (with the id before the amount, so the engine need not sort the moves of one day); the
//   balances read the amounts and dates, all in the index itself;
// - the ledger and the moves-with-files list look only at rows that carry files, which are few.
struct ProgramIndex {
    const char* name;
    const char* sql;
};
const ProgramIndex kProgramIndexes[] = {
    {"bill_move_by_account",
     "CREATE INDEX IF NOT EXISTS bill_move_by_account ON bill_move (src_bill_id, ts, num, id, "
     "amount)"},
    {"bill_move_with_files",
     "CREATE INDEX IF NOT EXISTS bill_move_with_files ON bill_move (id) "
     "WHERE files IS NOT NULL AND files <> ''"},
};

// Engine steps per bill_move row while an index is built, measured on a large household; the
// progress shown is an estimate and stops short of its end until the work is done.
constexpr int64_t kStepsPerRow = 8;
constexpr int kProgressSteps = 20000;

std::function<void(const AnsiString&)>& StepObserver() {
    static std::function<void(const AnsiString&)> observer;
    return observer;
}

AnsiString QuotedIdentifier(const AnsiString& name) {
    return "\"" + StringReplaceAll(name, "\"", "\"\"") + "\"";
}

int ReadIntSetting(TSQLiteDatabase& db, const char* name, int fallback) {
    auto t = db.GetTable(AnsiString("select name, value from param where name = '") + name + "'");
    if (t->Eof()) return fallback;
    int64_t v;
    return TryStrToInt(t->FieldAsString(1), v) ? static_cast<int>(v) : fallback;
}

}  // namespace

std::unique_ptr<TSQLiteDatabase> CreateDatabaseFile(const AnsiString& fileName,
                                                    const AnsiString& type1,
                                                    const AnsiString& type2,
                                                    const AnsiString& type3) {
    const AnsiString building = fileName + ".new";
    DeleteFile(building);
    DeleteFile(building + "-journal");
    {
        TSQLiteDatabase db(building);
        TSQLiteTransaction tr(db);
        std::vector<AnsiString> statements(std::begin(kCreateStatements),
                                           std::end(kCreateStatements));
        const AnsiString names[] = {type1, type2, type3};
        for (int i = 0; i < 3; ++i)
            statements.push_back("INSERT INTO bill_type VALUES(" + IntToStr(i + 1) + ",'" +
                                 QuotedSqlText(AnsiToUtf8(names[i])) + "')");
        for (const AnsiString& sql : statements) {
            if (StepObserver()) StepObserver()(sql);
            db.ExecSQL(sql);
        }
        tr.Commit();
    }
    std::error_code ec;
    std::filesystem::rename(building, fileName, ec);
    if (ec)
        throw ESQLiteException("Failed to create database \"" + fileName + "\" : " + ec.message());
    return std::make_unique<TSQLiteDatabase>(fileName);
}

int ReadBackupCount(TSQLiteDatabase& db) {
    return ReadIntSetting(db, "reserv-count", 1);
}
int ReadBackupDate(TSQLiteDatabase& db, int today) {
    return ReadIntSetting(db, "reserv-date", today - 1);
}

void DailyBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName, int backupCount,
                 int& backupDate, int today) {
    if (backupDate >= today) return;
    backupDate = today;
    db.reset();
    DeleteFile(fileName + IntToStr(backupCount));
    for (int i = backupCount; i >= 1; --i) {
        // Copy 0 is the live file itself, named without a digit.
        AnsiString source = i - 1 == 0 ? fileName : fileName + IntToStr(i - 1);
        if (FileExists(source)) CopyFileReplacing(source, fileName + IntToStr(i));
    }
    db = std::make_unique<TSQLiteDatabase>(fileName);
}

LayoutCheck CheckLayout(TSQLiteDatabase& db) {
    LayoutCheck check;
    auto tables = db.GetTable("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    for (; !tables->Eof(); tables->Next()) {
        const AnsiString table = tables->FieldAsString(0);
        const AnsiString tableUp = UpperCase(table);
        check.signature += ";" + table;
        auto cols = db.GetTable("PRAGMA TABLE_INFO(" + QuotedIdentifier(table) + ")");
        for (; !cols->Eof(); cols->Next()) {
            const AnsiString col = cols->FieldAsString(1);
            const AnsiString colUp = UpperCase(col);
            const AnsiString typeUp = UpperCase(cols->FieldAsString(2));
            if (tableUp == "BILL_MOVE" && colUp == "KURS" && typeUp != "TEXT")
                check.needUpgradeA = true;
            if (tableUp == "CURRENCY" && colUp == "KURS_STR" && typeUp == "TEXT") {
                check.needUpgradeC = false;
            } else if (tableUp == "BILL_MOVE" && colUp == "FILES" && typeUp == "BLOB") {
                check.needUpgradeB = false;
            } else {
                check.signature += "," + col;
            }
        }
    }
    check.matches = UpperCase(check.signature) == UpperCase(kExpectedLayout);
    return check;
}

std::vector<AnsiString> UpgradeStatements(char which, bool keepFiles) {
    const AnsiString moveCols =
        "kurs, bill_move_id, num, amount, dest_bill_id, id, note, src_bill_id, ts";
    const AnsiString moveDecl =
        "kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, dest_bill_id NUMERIC, id "
        "INTEGER "
        "PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT";
    switch (which) {
        case 'A': {
            const AnsiString cols = keepFiles ? moveCols + ", files" : moveCols;
            const AnsiString decl = keepFiles ? moveDecl + ", files BLOB" : moveDecl;
            return {"CREATE TEMPORARY TABLE TEMP_TABLE (" + decl + ")",
                    "INSERT INTO TEMP_TABLE SELECT " + cols + " FROM bill_move",
                    "DROP TABLE bill_move",
                    "CREATE TABLE bill_move (" + decl + ")",
                    "INSERT INTO bill_move SELECT " + cols + " FROM TEMP_TABLE",
                    "DROP TABLE TEMP_TABLE"};
        }
        case 'B':
            return {"CREATE TEMPORARY TABLE TEMP_TABLE (" + moveDecl + ")",
                    "INSERT INTO TEMP_TABLE SELECT " + moveCols + " FROM bill_move",
                    "DROP TABLE bill_move",
                    "CREATE TABLE bill_move (" + moveDecl + ", files BLOB)",
                    "INSERT INTO bill_move SELECT " + moveCols + ", null FROM TEMP_TABLE",
                    "DROP TABLE TEMP_TABLE"};
        case 'C':
            return {
                "CREATE TEMPORARY TABLE TEMP_TABLE (kurs NUMERIC, short_name TEXT, id INTEGER "
                "PRIMARY KEY, "
                "name TEXT, ts TEXT)",
                "INSERT INTO TEMP_TABLE SELECT kurs, short_name, id, name, ts FROM currency",
                "DROP TABLE currency",
                "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, "
                "name TEXT, "
                "ts TEXT, kurs_str TEXT)",
                "INSERT INTO currency SELECT kurs, short_name, id, name, ts, '1/'||kurs FROM "
                "TEMP_TABLE",
                "DROP TABLE TEMP_TABLE"};
        default:
            return {};
    }
}

void RunUpgrade(TSQLiteDatabase& db, char which, bool keepFiles) {
    TSQLiteTransaction tr(db);
    for (const AnsiString& sql : UpgradeStatements(which, keepFiles)) {
        if (StepObserver()) StepObserver()(sql);
        db.ExecSQL(sql);
    }
    tr.Commit();
}

std::vector<AnsiString> MissingIndexes(TSQLiteDatabase& db) {
    std::vector<AnsiString> missing;
    for (const ProgramIndex& index : kProgramIndexes) {
        TSQLiteStatement& q =
            db.Statement("select 1 from sqlite_master where type = 'index' and name = ?");
        q.Bind(1, AnsiString(index.name));
        if (!q.Step()) missing.push_back(index.name);
        q.Reset();
    }
    return missing;
}

int64_t MoveRowsEstimate(TSQLiteDatabase& db) {
    TSQLiteStatement& q = db.Statement("select max(id) from bill_move");
    const int64_t rows = q.Step() ? q.ColumnInt64(0) : 0;
    q.Reset();
    return rows;
}

void EnsureIndexes(TSQLiteDatabase& db, const std::function<void(int, int)>& progress) {
    const std::vector<AnsiString> missing = MissingIndexes(db);
    if (missing.empty()) return;
    const int64_t expected =
        std::max<int64_t>(1, MoveRowsEstimate(db) * kStepsPerRow *
                                 static_cast<int64_t>(missing.size()) / kProgressSteps);
    int64_t ticks = 0;
    constexpr int kMax = 100;
    if (progress) {
        progress(0, kMax);
        db.SetProgressHandler(
            [&] {
                ++ticks;
                progress(static_cast<int>(std::min<int64_t>(kMax - 1, ticks * kMax / expected)),
                         kMax);
            },
            kProgressSteps);
    }
    struct RemoveHandler {
        TSQLiteDatabase& db;
        ~RemoveHandler() { db.SetProgressHandler({}); }
    } remove{db};
    TSQLiteTransaction tr(db);
    for (const ProgramIndex& index : kProgramIndexes) {
        if (std::find(missing.begin(), missing.end(), index.name) == missing.end()) continue;
        if (StepObserver()) StepObserver()(index.sql);
        db.ExecSQL(index.sql);
    }
    tr.Commit();
    if (progress) progress(kMax, kMax);
}

void SetSchemaStepObserver(std::function<void(const AnsiString&)> observer) {
    StepObserver() = std::move(observer);
}

}  // namespace qm
