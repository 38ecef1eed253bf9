// The workbook globals: fonts, number formats, cell formats, palette, shared strings and the sheet
// directory, then the sheets and the patching of their offsets; and the save into the container.
#include "xls/excel_writer.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/memory.h"
#include "platform/part_sizes.h"
#include "xls/ole_storage.h"

namespace qm::xls {

namespace {

constexpr uint32_t RGBHex(uint32_t rrggbb) {
    return (rrggbb >> 16) | (rrggbb & 0x00FF00) | (rrggbb & 0xFF) << 16;
}

// The default palette: position p is colour index p + 8.
constexpr std::array<uint32_t, 56> kDefaultPalette = {
    RGBHex(0x000000), RGBHex(0xFFFFFF), RGBHex(0xFF0000), RGBHex(0x00FF00), RGBHex(0x0000FF),
    RGBHex(0xFFFF00), RGBHex(0xFF00FF), RGBHex(0x00FFFF), RGBHex(0x800000), RGBHex(0x008000),
    RGBHex(0x000080), RGBHex(0x808000), RGBHex(0x800080), RGBHex(0x008080), RGBHex(0xC0C0C0),
    RGBHex(0x808080), RGBHex(0x9999FF), RGBHex(0x993366), RGBHex(0xFFFFCC), RGBHex(0xCCFFFF),
    RGBHex(0x660066), RGBHex(0xFF8080), RGBHex(0x0066CC), RGBHex(0xCCCCFF), RGBHex(0x000080),
    RGBHex(0xFF00FF), RGBHex(0xFFFF00), RGBHex(0x00FFFF), RGBHex(0x800080), RGBHex(0x800000),
    RGBHex(0x008080), RGBHex(0x0000FF), RGBHex(0x00CCFF), RGBHex(0xCCFFFF), RGBHex(0xCCFFCC),
    RGBHex(0xFFFF99), RGBHex(0x99CCFF), RGBHex(0xFF99CC), RGBHex(0xCC99FF), RGBHex(0xFFCC99),
    RGBHex(0x3366FF), RGBHex(0x33CCCC), RGBHex(0x99CC00), RGBHex(0xFFCC00), RGBHex(0xFF9900),
    RGBHex(0xFF6600), RGBHex(0x666699), RGBHex(0x969696), RGBHex(0x003366), RGBHex(0x339966),
    RGBHex(0x003300), RGBHex(0x333300), RGBHex(0x993300), RGBHex(0x993366), RGBHex(0x333399),
    RGBHex(0x333333)};

// Colours the palette keeps even when a new colour needs a place.
constexpr TColor kStandardColors[16] = {clWhite,  clBlack, clSilver,  clGray,  clRed,  clMaroon,
                                        clYellow, clOlive, clLime,    clGreen, clAqua, clTeal,
                                        clBlue,   clNavy,  clFuchsia, clPurple};

struct TBuiltInFormat {
    uint16_t Index;
    const char16_t* Text;
};

// The rouble formats every workbook carries. They are kept in UTF-16 so that they read the same
// whatever the interface code page is.
constexpr TBuiltInFormat kBuiltInFormats[] = {
    {5, u"#,##0\"р.\";\\-#,##0\"р.\""},
    {6, u"#,##0\"р.\";[Red]\\-#,##0\"р.\""},
    {7, u"#,##0.00\"р.\";\\-#,##0.00\"р.\""},
    {8, u"#,##0.00\"р.\";[Red]\\-#,##0.00\"р.\""},
    {42, u"_-* #,##0\"р.\"_-;\\-* #,##0\"р.\"_-;_-* \"-\"\"р.\"_-;_-@_-"},
    {41, u"_-* #,##0_р_._-;\\-* #,##0_р_._-;_-* \"-\"_р_._-;_-@_-"},
    {44, u"_-* #,##0.00\"р.\"_-;\\-* #,##0.00\"р.\"_-;_-* \"-\"??\"р.\"_-;_-@_-"},
    {43, u"_-* #,##0.00_р_._-;\\-* #,##0.00_р_._-;_-* \"-\"??_р_._-;_-@_-"},
};

constexpr uint16_t kFirstUserFormat = 50;
constexpr size_t kMaxFormatChars = 255;
constexpr size_t kMaxFontNameChars = 255;
constexpr int32_t kMaxFillPattern = 18;

// Cell format index of a position in the list of cell formats.
uint16_t CellXFIndex(size_t position) {
    return static_cast<uint16_t>(position == 0 ? kStyleXFCount
                                               : position + kStyleXFCount + kBuiltInStyleXFCount);
}

TvteXLSFont DefaultFont() {
    TvteXLSFont f;
    f.Color = clWindowText;
    return f;
}

bool SameFont(const TvteXLSFont& a, const TvteXLSFont& b) {
    return a.Charset == b.Charset && a.Color == b.Color && a.Height() == b.Height() &&
           a.Name == b.Name && a.Pitch == b.Pitch && a.Size() == b.Size() && a.Style == b.Style;
}

bool SameTextIgnoringCase(const std::u16string& a, const std::u16string& b) {
    return QStringView(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QStringView(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

// Whether a text range shows any text; dates and Booleans always do.
bool HasText(const TVariant& v) {
    switch (v.VarType()) {
        case TVarType::Empty:
            return false;
        case TVarType::String:
            return !v.AnsiText().empty();
        case TVarType::OleStr:
            return !v.WideText().empty();
        default:
            return true;
    }
}

// The characters of a text value before conversion; a guess for dates and Booleans.
size_t TextLength(const TVariant& v) {
    switch (v.VarType()) {
        case TVarType::String:
            return v.AnsiText().size();
        case TVarType::OleStr:
            return v.WideText().size();
        default:
            return 32;
    }
}

// Bytes of the cell records of a sheet, roughly: a large sheet's stream then grows once.
size_t SheetBytesGuess(const TvteXLSWorksheet& sheet) {
    const TSheetDimensions& d = sheet.Dimensions();
    const size_t rows = d.MaxRow >= d.MinRow ? static_cast<size_t>(d.MaxRow - d.MinRow) + 1 : 0;
    return static_cast<size_t>(sheet.RangeCount()) * 18 + rows * 24 + 4096;
}

}  // namespace

void TvteCustomWriter::Save(TvteXLSWorkbook*, const std::filesystem::path&) {}

TvteExcelWriter::TvteExcelWriter(TParts parts) : parts_(parts) {
    Palette = kDefaultPalette;
}

void TvteExcelWriter::Save(TvteXLSWorkbook* workbook, const std::filesystem::path& fileName) {
    // Built before the file is touched: a workbook the format cannot hold leaves an earlier file
    // of that name as it was, where writing record by record would leave a broken one.
    TMemStream stream;
    WriteWorkbook(stream, workbook);

    // The user reads the reason; the status codes say nothing to a person.
    constexpr uint32_t mode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    std::string reason;
    std::unique_ptr<TOleStorage> storage;
    if (Failed(StgCreateDocfile(fileName, mode, storage, &reason))) throw EXLSError(reason);
    std::unique_ptr<TOleStream> ole;
    if (Failed(storage->CreateStream("Workbook", mode, ole, &reason))) throw EXLSError(reason);
    if (Failed(ole->Write(stream.Data().data(), stream.Size(), &reason))) throw EXLSError(reason);
    ole.reset();
    if (Failed(storage->Commit(&reason))) throw EXLSError(reason);
}

void TvteExcelWriter::RequireSave() const {
    if (!stream_ || !codePage_)
        throw EXLSError("Records can only be written while a workbook is being written");
}

void TvteExcelWriter::WriteRecord(uint16_t id, const uint8_t* data, size_t length) {
    RequireSave();
    xls::WriteRecord(*stream_, id, data, length);
}

void TvteExcelWriter::WriteHexRecord(const std::string& text) {
    RequireSave();
    stream_->Write(ParseHex(text));
}

int TvteExcelWriter::GetColorIndex(TColor color) {
    if (color & clSystemColor) color = SysColorValue(color);
    if (std::find(UsedColors.begin(), UsedColors.end(), color) == UsedColors.end())
        UsedColors.push_back(color);
    for (int p = 0; p < 56; ++p)
        if (Palette[p] == color) return p;
    for (int p = 0; p < 56; ++p) {
        TColor current = Palette[p];
        if (std::find(std::begin(kStandardColors), std::end(kStandardColors), current) !=
            std::end(kStandardColors))
            continue;
        if (std::find(UsedColors.begin(), UsedColors.end(), current) != UsedColors.end()) continue;
        Palette[p] = color;
        PaletteChanged = true;
        return p;
    }
    return 1;
}

void TvteExcelWriter::Prepare(TvteXLSWorkbook* workbook) {
    Workbook = workbook;
    codePage_.emplace();
    ranges_.clear();
    size_t count = 0;
    for (int i = 0; i < workbook->SheetCount(); ++i) count += workbook->Sheet(i)->RangeCount();
    ranges_.reserve(count);
    for (int i = 0; i < workbook->SheetCount(); ++i) {
        TvteXLSWorksheet* sheet = workbook->Sheet(i);
        for (int r = 0; r < sheet->RangeCount(); ++r) ranges_.push_back(sheet->RangeAt(r));
    }
    RangeInfo.assign(ranges_.size(), TRangeInfo());
    SheetPositions.assign(workbook->SheetCount(), TSheetPosition());
    Palette = kDefaultPalette;
    PaletteChanged = false;
    UsedColors.clear();
    StreamStart = static_cast<int32_t>(stream_->Position());
}

void TvteExcelWriter::Finish() {
    for (TvteXLSRange* range : ranges_) range->WriterData = kNoWriterData;
    ranges_.clear();
    UsedColors.clear();
    RangeInfo.clear();
    fonts_.clear();
    formats_.clear();
    textCount_ = textChars_ = 0;
    SheetPositions.clear();
    codePage_.reset();
    stream_ = nullptr;
}

void TvteExcelWriter::WriteWorkbook(TMemStream& stream, TvteXLSWorkbook* workbook) {
    stream_ = &stream;
    struct Cleanup {
        TvteExcelWriter* w;
        ~Cleanup() { w->Finish(); }
    } cleanup{this};
    Prepare(workbook);
    Survey();
    WriteGlobals();
    // What was freed before the sheets' records are made (the survey's runs, and what the caller
    // let go of while the workbook was filled), much of it in the pools of the threads that ran
    // parts, where this one would not take it again, goes back to the system: a large workbook's
    // last bytes are made at its caller's peak.
    ReturnFreedMemory();
    for (int i = 0; i < workbook->SheetCount(); ++i) {
        SheetPositions[i].Bof = static_cast<uint32_t>(stream.Position());
        WriteSheet(stream, workbook->Sheet(i));
    }
    for (const TSheetPosition& p : SheetPositions) {
        stream.Seek(p.BoundSheetField);
        uint8_t bof[4];
        PutU32(bof, p.Bof);
        stream.Write(bof, 4);
    }
    stream.Seek(stream.Size());
}

void TvteExcelWriter::WriteGlobals() {
    TMemStream& s = *stream_;
    WriteGlobalsBOF(s);
    WriteInterfaceHdr(s);
    WriteMMS(s);
    WriteInterfaceEnd(s);
    WriteWriteAccess(s, codePage_->Convert(Workbook->UserName()));
    WriteCodePage(s);
    WriteDSF(s);
    WriteExcel9File(s);
    WriteTabId(s, Workbook->SheetCount());
    WriteFnGroupCount(s);
    WriteWindowProtect(s);
    WriteProtect(s);
    WritePassword(s);
    WriteProt4Rev(s);
    WriteProt4RevPass(s);
    WriteWindow1(s);
    WriteBackup(s);
    WriteHideObj(s);
    WriteDateMode(s);
    WritePrecision(s);
    WriteRefreshAll(s);
    WriteBookBool(s);
    WriteFonts();
    WriteFormats();
    WriteXFs();
    if (PaletteChanged) WritePalette(s, Palette);
    WriteStyles(s);
    WriteUsesElfs(s);
    WriteBoundSheets();
    WriteCountry(s);
    WriteSST();
    WriteEOF(s);
}

// One pass over every range decides its font, number format and shared string: a large sheet's
// ranges are read once for all three, not once for each. The pass runs over runs of ranges side
// by side, each run keeping its fonts, formats and texts in the order it met them; joined in run
// order, they give every font, format and string the place one pass from the start would.
void TvteExcelWriter::Survey() {
    fonts_.assign(4, DefaultFont());
    formats_.clear();
    for (const TBuiltInFormat& f : kBuiltInFormats) formats_.push_back({f.Index, f.Text, {}});
    textCount_ = 0;
    textChars_ = 0;

    // A run's own numbering, in RangeInfo until the runs are joined: Font is the run's font,
    // Format the run's format + 1 (0: the general format), SST the run's text.
    struct TRun {
        std::vector<TvteXLSFont> fonts;
        std::vector<const AnsiString*> formats;
        uint32_t texts = 0;
        size_t textChars = 0;
        std::vector<uint32_t> fontPlaces, formatIndexes;  // in the workbook, once joined
        uint32_t firstText = 0;
    };
    constexpr unsigned kMostRuns = partsizes::kMost;
    std::vector<TRun> runs(kMostRuns);
    std::vector<size_t> runStarts(kMostRuns + 1, ranges_.size());
    const unsigned used = parts_.Run(
        ranges_.size(), partsizes::kLeastSurveyRanges, kMostRuns,
        [&](unsigned p, size_t first, size_t end) {
            TRun& run = runs[p];
            runStarts[p] = first;
            std::unordered_map<AnsiString, uint32_t> seen;  // format text -> the run's format
            size_t lastFont = 0;  // neighbouring cells mostly share their font
            for (size_t i = first; i < end; ++i) {
                TvteXLSRange& range = *ranges_[i];
                const TvteXLSFormat& format = std::as_const(range).Format();
                TRangeInfo& info = RangeInfo[i];
                range.WriterData = static_cast<uint32_t>(i);
                if (lastFont >= run.fonts.size() || !SameFont(run.fonts[lastFont], format.Font)) {
                    lastFont = 0;
                    while (lastFont < run.fonts.size() &&
                           !SameFont(run.fonts[lastFont], format.Font))
                        ++lastFont;
                    if (lastFont == run.fonts.size()) run.fonts.push_back(format.Font);
                }
                info.Font = static_cast<uint32_t>(lastFont);
                if (!format.NumberFormat.empty()) {
                    auto known = seen.find(format.NumberFormat);
                    if (known == seen.end()) {
                        known = seen.emplace(format.NumberFormat,
                                             static_cast<uint32_t>(run.formats.size()))
                                    .first;
                        run.formats.push_back(&format.NumberFormat);
                    }
                    info.Format = known->second + 1;
                }
                const TVariant& v = range.Value();
                if (v.IsNumeric() || !HasText(v)) continue;
                info.SST = run.texts++;
                run.textChars += TextLength(v);
            }
        });

    std::unordered_map<AnsiString, uint16_t> seen;  // format text of a range -> index
    size_t lastFont = 0;
    for (unsigned p = 0; p < used; ++p) {
        TRun& run = runs[p];
        for (const TvteXLSFont& font : run.fonts) {
            lastFont = FontPosition(font, lastFont);
            // Font index 4 does not exist in the file: the fifth font record has index 5.
            run.fontPlaces.push_back(static_cast<uint32_t>(lastFont + 1));
        }
        for (const AnsiString* format : run.formats) {
            auto known = seen.find(*format);
            if (known == seen.end()) known = seen.emplace(*format, FormatIndex(*format)).first;
            run.formatIndexes.push_back(known->second);
        }
        run.firstText = static_cast<uint32_t>(textCount_);
        textCount_ += run.texts;
        textChars_ += run.textChars;
    }
    for (size_t p = 0; p < used; ++p) {
        const TRun& run = runs[p];
        for (size_t i = runStarts[p]; i < runStarts[p + 1]; ++i) {
            TRangeInfo& info = RangeInfo[i];
            info.Font = run.fontPlaces[info.Font];
            info.Format = info.Format == 0 ? 0 : run.formatIndexes[info.Format - 1];
            if (info.SST != kNoString) info.SST += run.firstText;
        }
    }
}

size_t TvteExcelWriter::FontPosition(const TvteXLSFont& font, size_t last) {
    // The first match in the table, as the search from its start finds it: the entries after
    // the four defaults differ from each other and from the default, so a match there is the
    // only one.
    size_t pos = last >= 4 && SameFont(fonts_[last], font) ? last : 0;
    while (pos < fonts_.size() && !SameFont(fonts_[pos], font)) ++pos;
    if (pos == fonts_.size()) fonts_.push_back(font);
    return pos;
}

uint16_t TvteExcelWriter::FormatIndex(const AnsiString& text) {
    std::u16string wide = codePage_->Convert(text);
    auto found = std::find_if(formats_.begin(), formats_.end(), [&](const TFormatEntry& f) {
        return SameTextIgnoringCase(f.Text, wide);
    });
    if (found != formats_.end()) return found->Index;
    const size_t builtIn = std::size(kBuiltInFormats);
    const auto index = static_cast<uint16_t>(kFirstUserFormat + (formats_.size() - builtIn));
    formats_.push_back({index, std::move(wide), text});
    return index;
}

void TvteExcelWriter::WriteFonts() {
    for (const TvteXLSFont& f : fonts_) {
        TFontRecord r;
        r.HeightTwips = static_cast<uint16_t>(f.Size() * 20);
        r.Italic = f.Italic();
        r.StrikeOut = f.StrikeOut();
        r.Bold = f.Bold();
        r.Underline = f.Underline();
        r.ColorIndex = static_cast<uint16_t>(GetColorIndex(f.Color) + 8);
        r.Family = f.LogicalPitchAndFamily();
        r.Charset = f.LogicalCharset();
        r.Name = codePage_->Convert(f.Name);
        if (r.Name.size() > kMaxFontNameChars)
            throw EXLSError("The font name \"" + f.Name +
                            "\" is longer than a font record can hold (255)");
        WriteFont(*stream_, r);
    }
}

void TvteExcelWriter::WriteFormats() {
    // The formats stand in the order their ranges were met: the first too long is the first
    // such range's.
    for (const TFormatEntry& f : formats_)
        if (f.Text.size() > kMaxFormatChars)
            throw EXLSError("The number format \"" + f.Source +
                            "\" is longer than a format can hold (255)");
    for (const TFormatEntry& f : formats_) WriteFormat(*stream_, f.Index, f.Text);
}

uint16_t TvteExcelWriter::BorderColorIndex(const TvteXLSBorder& b) {
    return b.LineStyle != 0 ? static_cast<uint16_t>(GetColorIndex(b.Color) + 8) : 0;
}

TXFBody TvteExcelWriter::BuildXF(const TvteXLSRange& range, const TRangeInfo& info) {
    const TvteXLSFormat& format = range.Format();
    const TvteXLSBorders& bd = format.Borders;
    const TvteXLSBorder &left = bd.Border(bdLeft), &right = bd.Border(bdRight),
                        &top = bd.Border(bdTop), &bottom = bd.Border(bdBottom),
                        &down = bd.Border(bdDiagonalDown), &up = bd.Border(bdDiagonalUp);
    if (format.FillPattern < 0 || format.FillPattern > kMaxFillPattern)
        throw EXLSError("Fill pattern " + std::to_string(format.FillPattern) +
                        " is not one a cell format can hold (0 to 18)");
    uint16_t leftColor = BorderColorIndex(left), rightColor = BorderColorIndex(right);
    uint16_t topColor = BorderColorIndex(top), bottomColor = BorderColorIndex(bottom);
    const TvteXLSBorder* diagonal = up.LineStyle ? &up : down.LineStyle ? &down : nullptr;
    uint32_t diagonalColor = diagonal ? BorderColorIndex(*diagonal) : 0;
    uint32_t diagonalStyle = diagonal ? diagonal->LineStyle & 0x0F : 0;
    uint16_t fore = static_cast<uint16_t>(GetColorIndex(format.FillForeColor) + 8);
    uint16_t back = static_cast<uint16_t>(GetColorIndex(format.FillBackColor) + 8);

    TXFBody b{};
    PutU16(&b[0], static_cast<uint16_t>(info.Font));
    PutU16(&b[2], static_cast<uint16_t>(info.Format));
    PutU16(&b[4], 0x0001);
    b[6] = static_cast<uint8_t>((format.HorizontalAlignment & 0x07) | (format.WrapText ? 0x08 : 0) |
                                (format.VerticalAlignment & 0x07) << 4);
    b[7] = format.Rotation;
    b[8] = range.IsSingleCell() ? 0 : 0x20;
    b[9] = 0x7C;
    PutU16(&b[10],
           static_cast<uint16_t>((left.LineStyle & 0x0F) | (right.LineStyle & 0x0F) << 4 |
                                 (top.LineStyle & 0x0F) << 8 | (bottom.LineStyle & 0x0F) << 12));
    PutU16(&b[12],
           static_cast<uint16_t>((leftColor & 0x7F) | (rightColor & 0x7F) << 7 |
                                 (down.LineStyle ? 0x4000 : 0) | (up.LineStyle ? 0x8000 : 0)));
    PutU32(&b[14], (topColor & 0x7Fu) | (bottomColor & 0x7Fu) << 7 | (diagonalColor & 0x7Fu) << 14 |
                       diagonalStyle << 21 | static_cast<uint32_t>(format.FillPattern) << 26);
    PutU16(&b[18], static_cast<uint16_t>((fore & 0x7F) | (back & 0x7F) << 7));
    return b;
}

namespace {

// Everything a range's cell format is built from. Ranges with equal keys get the same cell
// format, and building it again would change nothing: the palette already holds its colours.
struct TXFKey {
    std::array<TColor, 6> BorderColors{};
    std::array<uint8_t, 6> BorderStyles{};
    uint8_t Horizontal = 0, Vertical = 0, Rotation = 0;
    bool Wrap = false, SingleCell = false;
    int32_t FillPattern = 0;
    TColor FillFore = 0, FillBack = 0;
    uint32_t Font = 0, Format = 0;
    bool operator==(const TXFKey&) const = default;
};

TXFKey XFKeyOf(const TvteXLSRange& range, const TRangeInfo& info) {
    const TvteXLSFormat& format = range.Format();
    TXFKey k;
    for (int b = 0; b < 6; ++b) {
        k.BorderColors[b] = format.Borders.Border(b).Color;
        k.BorderStyles[b] = format.Borders.Border(b).LineStyle;
    }
    k.Horizontal = format.HorizontalAlignment;
    k.Vertical = format.VerticalAlignment;
    k.Rotation = format.Rotation;
    k.Wrap = format.WrapText;
    k.SingleCell = range.IsSingleCell();
    k.FillPattern = format.FillPattern;
    k.FillFore = format.FillForeColor;
    k.FillBack = format.FillBackColor;
    k.Font = info.Font;
    k.Format = info.Format;
    return k;
}

struct TXFKeyHash {
    size_t operator()(const TXFKey& k) const {
        size_t h = std::hash<uint32_t>()(k.Font) ^ std::hash<uint32_t>()(k.Format) << 1;
        for (int b = 0; b < 6; ++b) h = h * 31 + k.BorderColors[b] * 7 + k.BorderStyles[b];
        return h * 31 + static_cast<size_t>(k.FillPattern) + k.Horizontal;
    }
};

}  // namespace

void TvteExcelWriter::WriteXFs() {
    WriteStyleXFs(*stream_);
    std::vector<TXFBody> list;
    list.push_back(TXFBody{0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xc0, 0x20});
    std::unordered_map<std::string, size_t> positions;
    positions.emplace(std::string(list[0].begin(), list[0].end()), 0);
    // A sheet repeats a few formats over many cells: each distinct key is built once, and the
    // last key of each column is tried before the table.
    std::unordered_map<TXFKey, uint32_t, TXFKeyHash> built;
    std::array<std::optional<std::pair<TXFKey, uint32_t>>, kMaxCols> lastInColumn;
    for (size_t i = 0; i < ranges_.size(); ++i) {
        const TXFKey key = XFKeyOf(*ranges_[i], RangeInfo[i]);
        auto& last = lastInColumn[static_cast<size_t>(ranges_[i]->Left())];
        if (last && last->first == key) {
            RangeInfo[i].XF = last->second;
            continue;
        }
        auto known = built.find(key);
        if (known == built.end()) {
            TXFBody body = BuildXF(*ranges_[i], RangeInfo[i]);
            auto [it, added] =
                positions.emplace(std::string(body.begin(), body.end()), list.size());
            if (added) list.push_back(body);
            known = built.emplace(key, CellXFIndex(it->second)).first;
        }
        RangeInfo[i].XF = known->second;
        last.emplace(key, known->second);
    }
    WriteXF(*stream_, list[0]);
    WriteBuiltInStyleXFs(*stream_);
    for (size_t p = 1; p < list.size(); ++p) WriteXF(*stream_, list[p]);
}

void TvteExcelWriter::WriteBoundSheets() {
    for (int i = 0; i < Workbook->SheetCount(); ++i)
        SheetPositions[i].BoundSheetField =
            WriteBoundSheet(*stream_, codePage_->Convert(Workbook->Sheet(i)->Name()));
}

void TvteExcelWriter::AppendValueText(const TVariant& v, std::u16string& out) const {
    if (v.VarType() == TVarType::OleStr)
        out += v.WideText();
    else if (v.VarType() == TVarType::String)
        codePage_->AppendTo(out, v.AnsiText());
    else
        codePage_->AppendTo(out, v.AsText());
}

void TvteExcelWriter::WriteSST() {
    if (textCount_ == 0) return;
    // The stream's room for the records and the sheets after them is taken once, before the
    // records go onto its end.
    size_t ahead = 4096;
    for (int i = 0; i < Workbook->SheetCount(); ++i) ahead += SheetBytesGuess(*Workbook->Sheet(i));
    TSSTBuilder sst(*stream_, static_cast<uint32_t>(textCount_));
    sst.Reserve(textChars_, ahead);
    // The survey numbered the texts in the order of the ranges.
    std::u16string text;
    for (size_t i = 0; i < ranges_.size(); ++i) {
        if (RangeInfo[i].SST == kNoString) continue;
        text.clear();
        AppendValueText(ranges_[i]->Value(), text);
        sst.Add(text.data(), text.size());
    }
    sst.Finish();
    WriteExtSST(*stream_, sst.BucketSize(), sst.Buckets());
}

}  // namespace qm::xls
