// Helpers of the spreadsheet tests: hex dumps of record bytes, a walk over the records of a
// stream, and the read-back of a written file by olefile and xlrd.
#pragma once

#include <QJsonObject>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "xls/biff_stream.h"

namespace xlstest {

// "09 08 10 00 ..." for comparing record bytes.
std::string Hex(const qm::xls::Bytes& b);
std::string Hex(const qm::xls::TMemStream& s);
// The bytes a record writer produced, given a callable taking the stream.
template <typename F>
std::string HexOf(F write) {
    qm::xls::TMemStream s;
    write(s);
    return Hex(s);
}

template <typename F>
qm::xls::Bytes BytesOf(F write) {
    qm::xls::TMemStream s;
    write(s);
    return s.Data();
}

struct Record {
    size_t Position;  // of the header
    uint16_t Id;
    qm::xls::Bytes Data;
    uint16_t U16(size_t at) const {
        return static_cast<uint16_t>(Data.at(at) | Data.at(at + 1) << 8);
    }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
};
// Every record of a stream, in order; fails the test when the framing does not add up.
std::vector<Record> Records(const qm::xls::Bytes& stream);
std::vector<Record> RecordsWithId(const std::vector<Record>& all, uint16_t id);

// What olefile and xlrd read from a file (see read_xls.py); an empty object when the script
// could not run, with the failure added to the test.
QJsonObject ReadBack(const std::filesystem::path& file,
                     const std::filesystem::path& streamCopy = {});

}  // namespace xlstest
