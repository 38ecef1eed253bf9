// The page codec in its engine copy: files are checked raw, deciphered independently with
// OpenSSL's libcrypto (PBKDF2 and AES-256-CBC), and read back with the system's sqlite3 shell.
#include "crypto/codec.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kPage = 4096;
const char kMarker[] = "LEDGER-ENTRY-MARKER";

// One connection of the engine copy, closed at the end of the scope.
class Connection {
  public:
    explicit Connection(const fs::path& file) {
        EXPECT_EQ(sqlite3_open(file.c_str(), &db_), SQLITE_OK);
    }
    ~Connection() { sqlite3_close(db_); }
    operator sqlite3*() const { return db_; }

    int exec(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    }
    void run(const std::string& sql) {
        ASSERT_EQ(exec(sql), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db_);
    }
    // The first column of the first row, or the error message.
    std::string value(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            return std::string("error: ") + sqlite3_errmsg(db_);
        }
        std::string out;
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(stmt, 0);
            out = text != nullptr ? reinterpret_cast<const char*>(text) : "";
        } else if (rc != SQLITE_DONE) {
            out = std::string("error: ") + sqlite3_errmsg(db_);
        }
        sqlite3_finalize(stmt);
        return out;
    }
    int key(const std::string& password) {
        return sqlite3_key(db_, password.data(), int(password.size()));
    }
    int rekey(const std::string& password) {
        return sqlite3_rekey(db_, password.data(), int(password.size()));
    }

  private:
    sqlite3* db_ = nullptr;
};

Bytes readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool contains(const Bytes& data, const std::string& text) {
    return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

Bytes material(const std::string& password) {
    Bytes out(qm::kCodecKeyMaterialSize);
    EXPECT_EQ(
        PKCS5_PBKDF2_HMAC(password.data(), int(password.size()), qm::kCodecSalt,
                          int(qm::kCodecSaltSize), 1024, EVP_sha256(), int(out.size()), out.data()),
        1);
    return out;
}

// Deciphers one page the way the file format says: AES-256-CBC under the first 32 bytes of the
// key material, the IV being the page number (little-endian) four times.
Bytes decipher(const Bytes& keyMaterial, std::uint32_t pgno, const std::uint8_t* page) {
    std::uint8_t iv[16];
    for (int i = 0; i < 16; ++i) iv[i] = std::uint8_t(pgno >> (8 * (i % 4)));
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    Bytes out(kPage + 16);
    int n = 0, tail = 0;
    EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, keyMaterial.data(), iv);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    EVP_DecryptUpdate(ctx.get(), out.data(), &n, page, int(kPage));
    EVP_DecryptFinal_ex(ctx.get(), out.data() + n, &tail);
    out.resize(std::size_t(n + tail));
    return out;
}

// A deciphered page is a b-tree page (its type byte is one of four) or an overflow page (it starts
// with the number of the next page, or 0). A page deciphered wrongly is neither, but by chance.
bool isPlausiblePage(const Bytes& page, std::uint32_t pgno, std::uint32_t pageCount) {
    const std::uint8_t type = page[pgno == 1 ? 100 : 0];
    if (type == 2 || type == 5 || type == 10 || type == 13) return true;
    const std::uint32_t next = std::uint32_t(page[0]) << 24 | std::uint32_t(page[1]) << 16 |
                               std::uint32_t(page[2]) << 8 | page[3];
    return next <= pageCount;
}

// Every page of the file (but skipPage) deciphers under the password to a b-tree page, page 1
// starts with the file header, and the marker is in the plain text but not in the file.
void expectEnciphered(const fs::path& file, const std::string& password,
                      std::uint32_t skipPage = 0) {
    const Bytes raw = readFile(file);
    ASSERT_FALSE(raw.empty());
    ASSERT_EQ(raw.size() % kPage, 0u);
    EXPECT_FALSE(contains(raw, "SQLite format 3"));
    EXPECT_FALSE(contains(raw, kMarker));
    const Bytes key = material(password);
    Bytes plain;
    for (std::uint32_t pgno = 1; pgno <= raw.size() / kPage; ++pgno) {
        if (pgno == skipPage) continue;
        const Bytes page = decipher(key, pgno, raw.data() + (pgno - 1) * kPage);
        EXPECT_TRUE(isPlausiblePage(page, pgno, std::uint32_t(raw.size() / kPage)))
            << "page " << pgno;
        plain.insert(plain.end(), page.begin(), page.end());
    }
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + 15), "SQLite format 3");
    EXPECT_TRUE(contains(plain, kMarker));
}

// The system's sqlite3 shell, a reader we did not build.
std::string systemShell(const fs::path& file, const std::string& sql) {
    const std::string command = "sqlite3 -batch '" + file.string() + "' \"" + sql + "\" 2>&1";
    std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof(buffer), pipe.get())) out += buffer;
    return out;
}

// A table of rows with the marker, large enough to span many pages.
void fill(Connection& db, int rows = 200) {
    db.run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT)");
    db.run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<" +
           std::to_string(rows) + ") INSERT INTO t SELECT i, '" + kMarker +
           "' || printf('%0200d', i) FROM n");
}

Bytes keyOf(sqlite3* db, int iDb = 0) {
    void* key = nullptr;
    int length = 0;
    sqlite3CodecGetKey(db, iDb, &key, &length);
    if (key == nullptr) return {};
    EXPECT_EQ(length, qm::kCodecRawKeyLength);
    const auto* bytes = static_cast<const std::uint8_t*>(key);
    return Bytes(bytes, bytes + qm::kCodecKeyMaterialSize);
}

class CodecTest : public ::testing::Test {
  protected:
    qmtest::TempDir dir_;
    fs::path path(const std::string& name) const { return dir_.path() / name; }
};

// 50000 bytes of "qz", spread over overflow pages.
const std::string kPattern = "CAST(replace(hex(zeroblob(25000)), '00', 'qz') AS BLOB)";

TEST_F(CodecTest, KeyedFileHoldsNoPlainPageAndOpensOnlyWithItsKey) {
    const fs::path file = path("keyed.db");
    {
        Connection db(file);
        ASSERT_EQ(db.exec("PRAGMA key = 'correct horse'"), SQLITE_OK);
        fill(db);
        db.run("CREATE TABLE b(x BLOB)");
        db.run("INSERT INTO b VALUES (zeroblob(50000))");
        db.run("UPDATE b SET x = " + kPattern);
    }
    expectEnciphered(file, "correct horse");
    EXPECT_FALSE(contains(readFile(file), "qzqzqzqz"));

    Connection reader(file);
    ASSERT_EQ(reader.key("correct horse"), SQLITE_OK);
    EXPECT_EQ(reader.value("SELECT count(*) FROM t WHERE v LIKE 'LEDGER-ENTRY-MARKER%'"), "200");
    EXPECT_EQ(reader.value("PRAGMA integrity_check"), "ok");
    // Memory-mapped reads would bypass the transform; with a key they are not used.
    reader.run("PRAGMA mmap_size = 268435456");
    EXPECT_EQ(reader.value("SELECT x = " + kPattern + " FROM b"), "1");
    EXPECT_EQ(reader.value("SELECT v FROM t WHERE id = 7"),
              std::string(kMarker) + std::string(199, '0') + "7");

    Connection wrongKey(file);
    ASSERT_EQ(wrongKey.key("Correct horse"), SQLITE_OK);
    EXPECT_EQ(wrongKey.value("SELECT count(*) FROM t"), "error: file is not a database");
    Connection noKey(file);
    EXPECT_EQ(noKey.value("SELECT count(*) FROM t"), "error: file is not a database");
}

TEST_F(CodecTest, RekeyFromPlainThroughTwoKeysToNoneLeavesAFileTheSystemShellReads) {
    const fs::path file = path("chain.db");
    Connection db(file);
    fill(db);
    ASSERT_EQ(db.rekey("first"), SQLITE_OK);
    expectEnciphered(file, "first");
    EXPECT_EQ(keyOf(db), material("first"));
    ASSERT_EQ(db.rekey("second"), SQLITE_OK);
    expectEnciphered(file, "second");
    {
        Connection old(file);
        old.key("first");
        EXPECT_EQ(old.value("SELECT count(*) FROM t"), "error: file is not a database");
        Connection current(file);
        current.key("second");
        EXPECT_EQ(current.value("SELECT count(*) FROM t"), "200");
    }
    EXPECT_EQ(db.value("SELECT max(id) FROM t"), "200");
    ASSERT_EQ(sqlite3_rekey(db, nullptr, 0), SQLITE_OK);
    EXPECT_TRUE(keyOf(db).empty()) << "the codec is removed with the key";
    EXPECT_EQ(db.value("PRAGMA integrity_check"), "ok");

    const Bytes raw = readFile(file);
    EXPECT_TRUE(contains(raw, "SQLite format 3"));
    EXPECT_TRUE(contains(raw, kMarker));
    EXPECT_EQ(systemShell(file, "PRAGMA integrity_check; SELECT count(*) FROM t;"), "ok\n200\n");
}

TEST_F(CodecTest, SamePasswordGivesSameMaterialAndRawMaterialOpensAPasswordKeyedFile) {
    Connection one(path("one.db"));
    Connection two(path("two.db"));
    ASSERT_EQ(one.key("shared secret"), SQLITE_OK);
    ASSERT_EQ(two.key("shared secret"), SQLITE_OK);
    fill(one, 20);
    EXPECT_EQ(keyOf(one), material("shared secret"));
    EXPECT_EQ(keyOf(two), keyOf(one));
    ASSERT_EQ(two.key("other secret"), SQLITE_OK);
    EXPECT_NE(keyOf(two), keyOf(one));

    const Bytes raw = keyOf(one);
    Connection byMaterial(path("one.db"));
    ASSERT_EQ(sqlite3_key(byMaterial, raw.data(), qm::kCodecRawKeyLength), SQLITE_OK);
    EXPECT_EQ(byMaterial.value("SELECT count(*) FROM t"), "20");

    // An empty key on a database without one changes nothing.
    Connection plain(path("plain.db"));
    fill(plain, 5);
    ASSERT_EQ(plain.key(""), SQLITE_OK);
    EXPECT_TRUE(keyOf(plain).empty());
    EXPECT_EQ(plain.value("SELECT count(*) FROM t"), "5");
}

TEST_F(CodecTest, AttachPassesItsKeyAndWithoutOneInheritsTheMainDatabasesKey) {
    {
        Connection aux(path("aux.db"));
        aux.key("aux key");
        fill(aux, 30);
        Connection plain(path("plain.db"));
        fill(plain, 3);
    }
    Connection db(path("main.db"));
    ASSERT_EQ(db.key("main key"), SQLITE_OK);
    fill(db, 10);

    db.run("ATTACH '" + path("aux.db").string() + "' AS a KEY 'aux key'");
    EXPECT_EQ(db.value("SELECT count(*) FROM a.t"), "30");
    EXPECT_EQ(keyOf(db, 2), material("aux key"));

    db.run("ATTACH '" + path("inherits.db").string() + "' AS b");
    db.run("CREATE TABLE b.t AS SELECT * FROM main.t");
    db.run("DETACH b");
    expectEnciphered(path("inherits.db"), "main key");

    db.run("ATTACH '" + path("plain.db").string() + "' AS c KEY ''");
    EXPECT_EQ(db.value("SELECT count(*) FROM c.t"), "3");
    EXPECT_TRUE(keyOf(db, 3).empty());

    // A blob key is a password made of its bytes.
    db.run("ATTACH '" + path("inherits.db").string() + "' AS d KEY CAST('main key' AS BLOB)");
    EXPECT_EQ(db.value("SELECT count(*) FROM d.t"), "10");

    EXPECT_EQ(db.exec("ATTACH '" + path("number.db").string() + "' AS e KEY 42"), SQLITE_ERROR);
    EXPECT_STREQ(sqlite3_errmsg(db), "Invalid key value");
    EXPECT_EQ(db.exec("ATTACH '" + path("number.db").string() + "' AS e KEY 4.2"), SQLITE_ERROR);
    EXPECT_EQ(db.value("SELECT count(*) FROM pragma_database_list WHERE name = 'e'"), "0");
}

TEST_F(CodecTest, RekeyWithTheKeyItHasOrNoneToNoneReturnsAtOnce) {
    const fs::path keyed = path("keyed.db");
    Connection db(keyed);
    db.key("same");
    fill(db, 50);
    const Bytes before = readFile(keyed);
    EXPECT_EQ(db.rekey("same"), SQLITE_OK);
    EXPECT_EQ(readFile(keyed), before);

    const fs::path plainFile = path("plain.db");
    Connection plain(plainFile);
    fill(plain, 50);
    const Bytes plainBefore = readFile(plainFile);
    EXPECT_EQ(sqlite3_rekey(plain, nullptr, 0), SQLITE_OK);
    EXPECT_EQ(plain.rekey(""), SQLITE_OK);
    EXPECT_EQ(readFile(plainFile), plainBefore);
    EXPECT_TRUE(keyOf(plain).empty());
}

struct ProgressProbe {
    sqlite3* db = nullptr;
    int calls = 0;
    int stopAt = 0;       // answer nonzero on this call
    int interruptAt = 0;  // call sqlite3_interrupt on this call
    int nested = -1;      // what a re-key from the first call answered
};

int probeProgress(void* arg) {
    auto& probe = *static_cast<ProgressProbe*>(arg);
    ++probe.calls;
    if (probe.calls == 1) probe.nested = sqlite3_rekey(probe.db, "nested", 6);
    if (probe.calls == probe.interruptAt) sqlite3_interrupt(probe.db);
    return probe.calls == probe.stopAt ? 1 : 0;
}

TEST_F(CodecTest, AbortOrInterruptDuringRekeyLeavesFileAndStateUnderTheOldKey) {
    const fs::path file = path("old.db");
    Connection db(file);
    db.key("old");
    fill(db, 600);
    // A small cache makes the re-key spill pages under the new key before it stops.
    db.run("PRAGMA cache_size = 5");
    const int pages = std::stoi(db.value("PRAGMA page_count"));
    ASSERT_GT(pages, 30);

    ProgressProbe stop{db, 0, 25, 0};
    sqlite3_progress_handler(db, 1, probeProgress, &stop);
    EXPECT_EQ(db.rekey("new"), SQLITE_ABORT);
    EXPECT_EQ(stop.calls, 25);

    ProgressProbe interrupt{db, 0, 0, 25};
    sqlite3_progress_handler(db, 1, probeProgress, &interrupt);
    EXPECT_EQ(db.rekey("new"), SQLITE_INTERRUPT);
    EXPECT_EQ(interrupt.calls, 25);

    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    sqlite3_interrupt(db);
    EXPECT_EQ(db.rekey("new"), SQLITE_INTERRUPT);

    EXPECT_EQ(keyOf(db), material("old"));
    EXPECT_EQ(db.value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "600");
    db.run("INSERT INTO t(v) VALUES ('after the failures')");
    expectEnciphered(file, "old");

    // With the callback answering zero every page is visited once, 10 steps per call.
    ProgressProbe count{db, 0, 0, 0};
    sqlite3_progress_handler(db, 10, probeProgress, &count);
    ASSERT_EQ(db.rekey("new"), SQLITE_OK);
    EXPECT_EQ(count.calls, std::stoi(db.value("PRAGMA page_count")) / 10);
    EXPECT_EQ(count.nested, SQLITE_MISUSE) << "a re-key from its own progress callback";
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    expectEnciphered(file, "new");
}

struct JournalRecord {
    std::uint32_t pgno;
    const std::uint8_t* page;
};

std::uint32_t bigEndian(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The page records of a rollback journal. Each segment starts with a header at a sector boundary
// (magic, record count, checksum seed, original size, sector size, page size); records are page
// number, page and checksum. A count of 0 means the records run to the end of the file.
std::vector<JournalRecord> journalRecords(const Bytes& journal) {
    static const std::uint8_t kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
    std::vector<JournalRecord> records;
    std::size_t header = 0;
    while (header + 28 <= journal.size() && std::memcmp(&journal[header], kMagic, 8) == 0) {
        const std::uint32_t count = bigEndian(&journal[header + 8]);
        const std::size_t sector = bigEndian(&journal[header + 20]);
        std::size_t at = header + sector;
        for (std::uint32_t i = 0; (count == 0 || i < count) && at + 8 + kPage <= journal.size();
             ++i, at += 8 + kPage) {
            records.push_back({bigEndian(&journal[at]), &journal[at + 4]});
        }
        header = (at + sector - 1) / sector * sector;
    }
    return records;
}

TEST_F(CodecTest, JournalPagesAreEncipheredAndRolledBack) {
    const fs::path file = path("journal.db");
    const Bytes key = material("journal key");
    Connection db(file);
    db.key("journal key");
    fill(db, 300);
    db.run("PRAGMA cache_size = 5");
    db.run("BEGIN");
    db.run("UPDATE t SET v = 'replaced'");

    const Bytes journal = readFile(path("journal.db-journal"));
    const auto records = journalRecords(journal);
    ASSERT_GT(records.size(), 10u);
    EXPECT_FALSE(contains(journal, kMarker));
    bool markerDeciphered = false;
    for (const auto& record : records) {
        const Bytes page = decipher(key, record.pgno, record.page);
        EXPECT_TRUE(isPlausiblePage(page, record.pgno, 1000)) << "journalled page " << record.pgno;
        markerDeciphered = markerDeciphered || contains(page, kMarker);
    }
    EXPECT_TRUE(markerDeciphered);

    // The same journal is a hot journal for a copy of the file as it is now.
    fs::copy_file(file, path("crash.db"));
    fs::copy_file(path("journal.db-journal"), path("crash.db-journal"));
    {
        Connection recovered(path("crash.db"));
        recovered.key("journal key");
        EXPECT_EQ(recovered.value("SELECT count(*) FROM t WHERE v = 'replaced'"), "0");
        EXPECT_EQ(recovered.value("PRAGMA integrity_check"), "ok");
    }

    // A savepoint rolls back through the statement journal.
    db.run("SAVEPOINT inner_step");
    db.run("UPDATE t SET v = 'inner'");
    db.run("ROLLBACK TO inner_step");
    EXPECT_EQ(db.value("SELECT count(*) FROM t WHERE v = 'replaced'"), "300");
    db.run("ROLLBACK");
    EXPECT_EQ(db.value("SELECT count(*) FROM t WHERE v LIKE 'LEDGER%'"), "300");
    EXPECT_EQ(db.value("PRAGMA integrity_check"), "ok");
    expectEnciphered(file, "journal key");
}

TEST_F(CodecTest, WriteAheadLogFramesAreEnciphered) {
    const fs::path file = path("wal.db");
    {
        Connection db(file);
        db.key("wal key");
        ASSERT_EQ(db.value("PRAGMA journal_mode = WAL"), "wal");
        db.run("PRAGMA wal_autocheckpoint = 0");
        fill(db, 100);
        const Bytes wal = readFile(path("wal.db-wal"));
        ASSERT_GT(wal.size(), 32 + 24 + kPage);
        EXPECT_FALSE(contains(wal, kMarker));
        // The first frame: a 32-byte log header, a 24-byte frame header naming the page, the page.
        const Bytes page = decipher(material("wal key"), bigEndian(&wal[32]), &wal[32 + 24]);
        EXPECT_TRUE(isPlausiblePage(page, bigEndian(&wal[32]), 1000));

        Connection second(file);
        second.key("wal key");
        EXPECT_EQ(second.value("SELECT count(*) FROM t"), "100");
    }
    expectEnciphered(file, "wal key");
}

int rekeyFromBusyHandler(void* arg, int) {
    auto* result = static_cast<std::pair<sqlite3*, int>*>(arg);
    result->second = sqlite3_rekey(result->first, "nested", 6);
    return 0;
}

TEST_F(CodecTest, RekeyRefusesABusyConnectionAnOpenTransactionAndANegativeLength) {
    const fs::path file = path("busy.db");
    Connection db(file);
    db.key("busy key");
    fill(db, 20);

    Connection other(file);
    other.key("busy key");
    other.run("BEGIN IMMEDIATE");
    std::pair<sqlite3*, int> nested{db, -1};
    sqlite3_busy_handler(db, rekeyFromBusyHandler, &nested);
    EXPECT_EQ(db.rekey("new key"), SQLITE_BUSY);
    EXPECT_EQ(nested.second, SQLITE_MISUSE) << "a re-key while one runs is misuse";
    other.run("ROLLBACK");
    sqlite3_busy_handler(db, nullptr, nullptr);

    db.run("BEGIN");
    db.run("INSERT INTO t(v) VALUES ('uncommitted')");
    EXPECT_EQ(db.rekey("new key"), SQLITE_MISUSE);
    db.run("ROLLBACK");
    EXPECT_EQ(sqlite3_rekey(db, "raw", qm::kCodecRawKeyLength), SQLITE_MISUSE);

    EXPECT_EQ(keyOf(db), material("busy key"));
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "20");
    expectEnciphered(file, "busy key");
}

TEST_F(CodecTest, VacuumAndBackupKeepPagesEnciphered) {
    const fs::path file = path("vacuum.db");
    Connection db(file);
    db.key("vacuum key");
    fill(db, 200);
    db.run("DELETE FROM t WHERE id % 2 = 0");
    // The page size of an enciphered database stays as it is.
    db.run("PRAGMA page_size = 8192");
    db.run("VACUUM");
    EXPECT_EQ(db.value("PRAGMA page_size"), "4096");
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "100");
    expectEnciphered(file, "vacuum key");

    // A backup into a connection without a key writes plain pages.
    Connection copy(path("copy.db"));
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db, "main");
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(sqlite3_backup_step(backup, -1), SQLITE_DONE);
    EXPECT_EQ(sqlite3_backup_finish(backup), SQLITE_OK);
    EXPECT_EQ(systemShell(path("copy.db"), "SELECT count(*) FROM t;"), "100\n");

    // One into an enciphered database of another page size is refused.
    Connection small(path("small.db"));
    small.key("small key");
    small.run("PRAGMA page_size = 1024");
    fill(small, 3);
    backup = sqlite3_backup_init(small, "main", db, "main");
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(sqlite3_backup_step(backup, -1), SQLITE_READONLY);
    sqlite3_backup_finish(backup);
    EXPECT_EQ(small.value("SELECT count(*) FROM t"), "3");
}

TEST_F(CodecTest, RekeyLeavesTheLockBytePageUntouched) {
    // Moving the lock bytes to 64 KiB puts them in page 17 of a small file; no connection may be
    // open while they move.
    struct LockBytes {
        LockBytes() { sqlite3_test_control(SQLITE_TESTCTRL_PENDING_BYTE, 0x10000u); }
        ~LockBytes() { sqlite3_test_control(SQLITE_TESTCTRL_PENDING_BYTE, 0x40000000u); }
    } moved;
    const fs::path file = path("lockbyte.db");
    constexpr std::uint32_t kLockPage = 0x10000 / kPage + 1;
    {
        Connection db(file);
        fill(db, 600);
        const Bytes plain = readFile(file);
        ASSERT_GT(plain.size() / kPage, kLockPage + 5);
        ASSERT_EQ(db.rekey("lock key"), SQLITE_OK);
        const Bytes keyed = readFile(file);
        ASSERT_EQ(keyed.size(), plain.size());
        const auto lockPage = [](const Bytes& b) {
            return Bytes(b.begin() + (kLockPage - 1) * kPage, b.begin() + kLockPage * kPage);
        };
        EXPECT_EQ(lockPage(keyed), lockPage(plain));
        expectEnciphered(file, "lock key", kLockPage);
        ASSERT_EQ(sqlite3_rekey(db, nullptr, 0), SQLITE_OK);
        EXPECT_EQ(db.value("PRAGMA integrity_check"), "ok");
        EXPECT_EQ(lockPage(readFile(file)), lockPage(plain));
    }
}

}  // namespace
