// The in-memory stream, record data builder and record framing.
#include "xls/biff_stream.h"

#include <algorithm>
#include <bit>
#include <cctype>

namespace qm::xls {

static_assert(std::endian::native == std::endian::little,
              "the record builders assume little-endian");

void TMemStream::Write(const void* data, size_t size) {
    if (size == 0) return;
    if (pos_ == data_.size()) {  // appending, by far the most common: no zeros written first
        auto bytes = static_cast<const uint8_t*>(data);
        data_.insert(data_.end(), bytes, bytes + size);
        pos_ += size;
        return;
    }
    if (pos_ + size > data_.size()) data_.resize(pos_ + size);
    std::memcpy(data_.data() + pos_, data, size);
    pos_ += size;
}

void TMemStream::Overwrite(size_t at, const void* data, size_t size) {
    if (at > data_.size() || size > data_.size() - at)
        throw std::logic_error("bytes overwritten past the end of the stream");
    std::memcpy(data_.data() + at, data, size);
}

void PutU16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
void PutU32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

TRecordData& TRecordData::Raw(const void* p, size_t n) {
    auto bytes = static_cast<const uint8_t*>(p);
    b_.insert(b_.end(), bytes, bytes + n);
    return *this;
}

TRecordData& TRecordData::U16(uint16_t v) {
    return Raw(&v, 2);
}
TRecordData& TRecordData::U32(uint32_t v) {
    return Raw(&v, 4);
}
TRecordData& TRecordData::F64(double v) {
    return Raw(&v, 8);
}
TRecordData& TRecordData::Text16(const std::u16string& s) {
    return Raw(s.data(), s.size() * 2);
}

void WriteRecord(TMemStream& s, uint16_t id, const uint8_t* data, size_t length) {
    size_t done = 0;
    do {
        size_t piece = std::min(length - done, kMaxRecordData);
        uint8_t header[4];
        PutU16(header, done == 0 ? id : kContinueId);
        PutU16(header + 2, static_cast<uint16_t>(piece));
        s.Write(header, 4);
        s.Write(data + done, piece);
        done += piece;
    } while (done < length);
}

Bytes ParseHex(const std::string& text) {
    Bytes out;
    size_t i = 0;
    while (i < text.size()) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        unsigned value = 0;
        for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
            char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            value = (value << 4 | static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10)) & 0xFF;
        }
        out.push_back(static_cast<uint8_t>(value));
    }
    return out;
}

}  // namespace qm::xls
