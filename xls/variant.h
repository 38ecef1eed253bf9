// The value a cell range holds: empty, a number of one of the stored numeric kinds, a text in the
// interface code page or in UTF-16, a date or a Boolean, with the text form a cell shows for it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/ansistring.h"
#include "platform/sysutils.h"

namespace qm::xls {

enum class TVarType : uint8_t {
    Empty,
    Smallint,
    Integer,
    Single,
    Double,
    Currency,
    Date,
    OleStr,
    Boolean,
    Byte,
    String
};

class TVariant {
  public:
    TVariant() = default;
    TVariant(int32_t v) : data_(static_cast<double>(v)), type_(TVarType::Integer) {}
    TVariant(double v) : data_(v), type_(TVarType::Double) {}
    TVariant(bool v) : data_(v), type_(TVarType::Boolean) {}
    TVariant(const char* v) : data_(AnsiString(v)), type_(TVarType::String) {}
    TVariant(AnsiString v) : data_(std::move(v)), type_(TVarType::String) {}
    TVariant(std::u16string v) : data_(std::move(v)), type_(TVarType::OleStr) {}

    static TVariant Smallint(int16_t v) {
        return TVariant(TVarType::Smallint, static_cast<double>(v));
    }
    static TVariant Byte(uint8_t v) { return TVariant(TVarType::Byte, static_cast<double>(v)); }
    static TVariant Single(float v) { return TVariant(TVarType::Single, static_cast<double>(v)); }
    // Currency keeps four decimals exactly: the value is held in ten-thousandths.
    static TVariant Currency(int64_t tenThousandths);
    static TVariant Date(TDateTime d) { return TVariant(TVarType::Date, d); }

    TVarType VarType() const { return type_; }
    bool IsEmpty() const { return type_ == TVarType::Empty; }
    bool IsString() const { return type_ == TVarType::String || type_ == TVarType::OleStr; }
    // True for the kinds a cell stores as a number.
    bool IsNumeric() const;

    // The numeric value (0 for kinds that hold no number).
    double AsDouble() const;
    const AnsiString& AnsiText() const;      // String kind only
    const std::u16string& WideText() const;  // OleStr kind only
    // The text a cell shows: strings as they are (wide ones converted), "True"/"False", dates in
    // the process date format with the time when there is one, numbers in general form.
    AnsiString AsText() const;
    bool operator==(const TVariant& o) const { return type_ == o.type_ && data_ == o.data_; }

  private:
    TVariant(TVarType t, double v) : data_(v), type_(t) {}
    // The kind goes into the bytes the held value leaves free at its end, and a holder of a
    // value may put its own small fields after it the same way: a sheet holds one per cell.
    [[no_unique_address]] std::variant<std::monostate, double, int64_t, bool, AnsiString,
                                       std::u16string>
        data_;
    TVarType type_ = TVarType::Empty;
};

}  // namespace qm::xls
