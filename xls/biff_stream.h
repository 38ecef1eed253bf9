// Bytes of a BIFF8 stream held in memory: a seekable growing buffer, a builder for record data
// (little-endian numbers, UTF-16 text) and the record framing with CONTINUE records.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm::xls {

using Bytes = std::vector<uint8_t>;

// The largest data part of one record; longer data goes on in CONTINUE records.
constexpr size_t kMaxRecordData = 8224;
constexpr uint16_t kContinueId = 0x003C;

// A stream in memory: sequential writes at the current position, absolute seeks, and the end.
class TMemStream {
  public:
    void Write(const void* data, size_t size);
    void Write(const Bytes& b) { Write(b.data(), b.size()); }
    void Seek(size_t position) { pos_ = position; }
    // Bytes already written, replaced in place; the position stays where it is.
    void Overwrite(size_t at, const void* data, size_t size);
    size_t Position() const { return pos_; }
    size_t Size() const { return data_.size(); }
    const Bytes& Data() const { return data_; }
    void Clear() { data_.clear(), pos_ = 0; }
    void Reserve(size_t n) { data_.reserve(n); }

  private:
    Bytes data_;
    size_t pos_ = 0;
};

// Record data under construction.
class TRecordData {
  public:
    // Room for the cell records, the most numerous, from the start: built byte group by byte
    // group, they would otherwise grow their buffer three times each.
    TRecordData() { b_.reserve(32); }
    TRecordData& U8(uint8_t v) { return Raw(&v, 1); }
    TRecordData& U16(uint16_t v);
    TRecordData& U32(uint32_t v);
    TRecordData& F64(double v);
    TRecordData& Fill(size_t n, uint8_t v) {
        b_.insert(b_.end(), n, v);
        return *this;
    }
    TRecordData& Text16(const std::u16string& s);  // the characters only, little-endian
    TRecordData& Raw(const void* p, size_t n);
    const Bytes& Data() const { return b_; }
    size_t Size() const { return b_.size(); }
    uint8_t* At(size_t offset) { return b_.data() + offset; }

  private:
    Bytes b_;
};

void PutU16(uint8_t* p, uint16_t v);
void PutU32(uint8_t* p, uint32_t v);

// A record of N data bytes built in place, header included: the row and cell records, written
// hundreds of thousands of times in a large sheet, need no buffer of their own.
template <size_t N>
class TFixedRecord {
  public:
    explicit TFixedRecord(uint16_t id) {
        static_assert(N <= kMaxRecordData);
        PutU16(b_, id);
        PutU16(b_ + 2, static_cast<uint16_t>(N));
    }
    TFixedRecord& U16(uint16_t v) { return Raw(&v, 2); }
    TFixedRecord& U32(uint32_t v) { return Raw(&v, 4); }
    TFixedRecord& F64(double v) { return Raw(&v, 8); }
    // Every data byte must have been given.
    void WriteTo(TMemStream& s) const {
        if (at_ != sizeof b_) throw std::logic_error("a fixed record written before it was full");
        s.Write(b_, sizeof b_);
    }

  private:
    TFixedRecord& Raw(const void* p, size_t n) {
        if (at_ + n > sizeof b_) throw std::logic_error("a fixed record given too many bytes");
        std::memcpy(b_ + at_, p, n);
        at_ += n;
        return *this;
    }
    uint8_t b_[N + 4];
    size_t at_ = 4;
};

// Writes a record: id, data length, data; data beyond 8224 bytes goes on in CONTINUE records.
void WriteRecord(TMemStream& s, uint16_t id, const uint8_t* data, size_t length);
inline void WriteRecord(TMemStream& s, uint16_t id, const TRecordData& d) {
    WriteRecord(s, id, d.Data().data(), d.Size());
}

// The bytes of a text of hexadecimal pairs separated by blanks: each maximal run of hexadecimal
// digits (either case) is one byte, kept as its low eight bits.
Bytes ParseHex(const std::string& text);

}  // namespace qm::xls
