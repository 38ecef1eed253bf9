// Cell values and their text form.
#include "xls/variant.h"

#include <QString>
#include <cmath>

namespace qm::xls {

TVariant TVariant::Currency(int64_t tenThousandths) {
    TVariant v;
    v.type_ = TVarType::Currency;
    v.data_ = tenThousandths;
    return v;
}

bool TVariant::IsNumeric() const {
    switch (type_) {
        case TVarType::Smallint:
        case TVarType::Integer:
        case TVarType::Single:
        case TVarType::Double:
        case TVarType::Currency:
        case TVarType::Byte:
            return true;
        default:
            return false;
    }
}

double TVariant::AsDouble() const {
    if (auto d = std::get_if<double>(&data_)) return *d;
    if (auto c = std::get_if<int64_t>(&data_)) return static_cast<double>(*c) / 10000.0;
    if (auto b = std::get_if<bool>(&data_)) return *b ? -1.0 : 0.0;
    return 0.0;
}

const AnsiString& TVariant::AnsiText() const {
    static const AnsiString none;
    auto s = std::get_if<AnsiString>(&data_);
    return s ? *s : none;
}

const std::u16string& TVariant::WideText() const {
    static const std::u16string none;
    auto s = std::get_if<std::u16string>(&data_);
    return s ? *s : none;
}

namespace {

AnsiString DateTimeText(TDateTime d) {
    double day = std::floor(d);
    bool hasTime = d - day != 0.0;
    if (!hasTime) return DateToStr(d);
    AnsiString time = FormatDateTime("hh:nn:ss", d);
    return day == 0.0 ? time : DateToStr(d) + " " + time;
}

}  // namespace

AnsiString TVariant::AsText() const {
    switch (type_) {
        case TVarType::Empty:
            return {};
        case TVarType::String:
            return AnsiText();
        case TVarType::OleStr: {
            const std::u16string& w = WideText();
            return FromQString(QString::fromUtf16(w.data(), static_cast<qsizetype>(w.size())));
        }
        case TVarType::Boolean:
            return std::get<bool>(data_) ? "True" : "False";
        case TVarType::Date:
            return DateTimeText(std::get<double>(data_));
        default:
            return FloatToStr(AsDouble());
    }
}

}  // namespace qm::xls
