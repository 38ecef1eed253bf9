// Record walking and the read-back by readers we did not write.
#include "tests/xls/xls_test_util.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>

#include "tests/support/support.h"

namespace xlstest {

std::string Hex(const qm::xls::Bytes& b) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02x" : "%02x", b[i]);
        out += buf;
    }
    return out;
}

std::string Hex(const qm::xls::TMemStream& s) {
    return Hex(s.Data());
}

std::vector<Record> Records(const qm::xls::Bytes& stream) {
    std::vector<Record> out;
    size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        Record r;
        r.Position = pos;
        r.Id = static_cast<uint16_t>(stream[pos] | stream[pos + 1] << 8);
        size_t len = stream[pos + 2] | stream[pos + 3] << 8;
        if (pos + 4 + len > stream.size()) {
            ADD_FAILURE() << "record at " << pos << " runs past the end of the stream";
            return out;
        }
        r.Data.assign(stream.begin() + pos + 4, stream.begin() + pos + 4 + len);
        out.push_back(std::move(r));
        pos += 4 + len;
    }
    EXPECT_EQ(pos, stream.size()) << "bytes left after the last record";
    return out;
}

std::vector<Record> RecordsWithId(const std::vector<Record>& all, uint16_t id) {
    std::vector<Record> out;
    for (const Record& r : all)
        if (r.Id == id) out.push_back(r);
    return out;
}

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::filesystem::path ScriptPath() {
    const char* src = std::getenv("QM_SOURCE_DIR");
    if (src && *src) return std::filesystem::path(src) / "tests/xls/read_xls.py";
    return std::filesystem::path(QM_XLS_TEST_DIR) / "read_xls.py";
}

}  // namespace

QJsonObject ReadBack(const std::filesystem::path& file, const std::filesystem::path& streamCopy) {
    std::string cmd =
        "/usr/bin/python3 " + Quote(ScriptPath().string()) + " " + Quote(file.string());
    if (!streamCopy.empty()) cmd += " " + Quote(streamCopy.string());
    std::string out;
    int rc = qmtest::RunCommand(cmd + " 2>&1", &out);
    if (rc != 0) {
        ADD_FAILURE() << "read_xls.py failed (" << rc << "): " << out;
        return {};
    }
    QJsonParseError err;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &err);
    if (!doc.isObject()) {
        ADD_FAILURE() << "read_xls.py printed no JSON: " << out.substr(0, 2000);
        return {};
    }
    return doc.object();
}

}  // namespace xlstest
