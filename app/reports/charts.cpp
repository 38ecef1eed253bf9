// The charts routine. It reads the chart text, draws the headings, then a pie (modes 1 and 2) or
// a time chart of lines or bars (modes 3 and 4), and a legend to the right of the pie or plot.
// Positions are computed in extended precision and rounded (halves to even) when drawn.
#include "app/reports/charts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "app/window/main_window.h"

namespace qm {
namespace {

using Real = long double;
const TColor kGrey = RGB(0x6C, 0x6C, 0x6C);

int RoundInt(Real v) {
    return static_cast<int>(RoundHalfEven(v));
}

void SetBold(TCanvas& c, bool bold) {
    c.Font.Style = bold ? TFontStyles{fsBold} : TFontStyles{};
}

bool IsPie(int mode) {
    return mode == cmGroupPie || mode == cmAccountPie;
}

bool IsTimeChart(int mode) {
    return mode == cmLines || mode == cmBars;
}

// The canvas area the chart is fitted into.
struct Area {
    TRect M{};  // margins
    int W = 0;  // usable width and height
    int H = 0;
    int LH = 0;  // line height
    int TX = 0;  // left edge of the headings
};

// The pie's square or the plot's box; the legend stands right of X2 from Y1 down to Y2.
struct Box {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// The box's top follows the headings; its bottom leaves a tenth of the height free.
Box BoxBelow(const Area& a, int y) {
    Box b;
    b.X1 = RoundInt(a.M.Left + a.W / 20.0L);
    b.Y1 = RoundInt(a.H / 10.0L) + y;
    b.Y2 = a.H - RoundInt(a.H / 10.0L);
    return b;
}

int WidestText(TCanvas& c, const std::vector<AnsiString>& texts) {
    int widest = 0;
    for (const AnsiString& s : texts) widest = std::max(widest, c.TextWidth(s));
    return widest;
}

void ReadSlices(TLineReader& lines, ChartText& t) {
    while (!lines.AtEnd()) {
        const AnsiString line = lines.Next();
        const size_t sep = line.find('\1');
        const AnsiString name = line.substr(0, sep);
        const AnsiString value = sep == AnsiString::npos ? AnsiString() : line.substr(sep + 1);
        if (!value.empty() && value[0] == '-') {
            t.LeftOut.push_back(name);
        } else {
            t.SliceNames.push_back(name);
            t.SliceValues.push_back(ReportNumber(value));
        }
    }
}

void ReadSeries(TLineReader& lines, ChartText& t) {
    for (const AnsiString& part : CutParts(lines.Next(), '\1')) {
        std::vector<long double> values;
        for (const AnsiString& v : CutParts(part, '\2')) values.push_back(ReportNumber(v));
        t.Series.push_back(std::move(values));
    }
    t.Names = CutParts(lines.Next(), '\1');
    t.Labels = CutParts(lines.Next(), '\1');
}

int PaintHeadings(const TForm1& form, TCanvas& c, const ChartText& t, const Area& a) {
    SetBold(c, true);
    int y = RoundInt(a.M.Top + a.H / 100.0L);
    if (form.TitleInReports) {
        c.TextOut(a.TX, y, form.Title);
        y += a.LH;
    }
    c.TextOut(a.TX, y, t.Title);
    y += a.LH;
    if (IsPie(t.Mode)) {
        c.TextOut(a.TX, y, form.Ui(t.Mode == cmGroupPie ? 150 : 151) + " " + t.Subject);
        y += a.LH;
    } else if (IsTimeChart(t.Mode)) {
        c.TextOut(a.TX, y, t.Subject);
        y += a.LH;
    }
    SetBold(c, false);
    return y;
}

// One row per text: a colour box outlined with the pen, then the text on white, clipped to the
// usable width. Rows that would start below the box's bottom are left out.
void PaintLegend(TCanvas& c, const Area& a, const Box& b, const std::vector<AnsiString>& texts,
                 int NW) {
    if (texts.empty()) return;
    const Real W = a.W;
    int R = RoundInt(static_cast<Real>(b.Y2 - b.Y1) / static_cast<Real>(texts.size()));
    R = std::min(std::max(R, a.LH), RoundInt(a.H / 10.0L));
    R = std::max(R, 1);  // an area too small for a row must still end the legend
    const int gap = RoundInt(0.2L * a.LH);
    const int B = R < 2 * a.LH + gap ? R - gap : 2 * a.LH;
    const int D = std::max(RoundInt((W - b.X2 - NW - W / 20) / 2), RoundInt(W / 50));
    const int boxLeft = b.X2 + D, boxRight = RoundInt(b.X2 + D + 4 * W / 100);
    const int textX = b.X2 + D + RoundInt(W / 20);
    int y = b.Y1;
    for (size_t i = 0; i < texts.size() && y < b.Y2; ++i) {
        const Real top = y + 1 + (a.LH - B) / 2.0L;
        c.Brush.Color = ChartColor(static_cast<int>(i));
        c.Rectangle(boxLeft, static_cast<int>(std::trunc(top)), boxRight,
                    static_cast<int>(std::trunc(top + B)));
        c.Brush.Color = clWhite;
        c.TextRect(Rect(textX, y, a.M.Left + a.W, y + a.LH), textX, y, texts[i]);
        y += R;
    }
}

AnsiString Percent(Real v, Real S) {
    return IntToStr(RoundInt(100 * v / S)) + "%";
}

// Slices run counterclockwise from 3 o'clock; a slice wider than 0.3 radians carries its share
// at half the radius, on its own colour.
void PaintSlices(TCanvas& c, const ChartText& t, const Area& a, const Box& b, Real S) {
    const TRect box = Rect(b.X1, b.Y1, b.X2, b.Y2);
    Real a0 = 0;
    for (size_t i = 0; i < t.SliceValues.size(); ++i) {
        const Real v = t.SliceValues[i];
        const Real a1 = a0 + 2 * std::numbers::pi_v<Real> * v / S;
        c.Brush.Color = ChartColor(static_cast<int>(i));
        c.PieByAngles(box, static_cast<double>(a0), static_cast<double>(a1));
        if (a1 - a0 > 0.3L) {
            const AnsiString label = Percent(v, S);
            const Real m = (a0 + a1) / 2;
            const int x = RoundInt(std::cos(-m) * (b.X2 - b.X1) / 4 + (b.X1 + b.X2) / 2.0L -
                                   c.TextWidth(label) / 2.0L);
            const int y =
                RoundInt(std::sin(-m) * (b.Y2 - b.Y1) / 4 + (b.Y1 + b.Y2) / 2.0L - a.LH / 2.0L);
            c.TextOut(x, y, label);
        }
        a0 = a1;
    }
    c.Brush.Color = clWhite;
}

void PaintPie(const TForm1& form, TCanvas& c, const ChartText& t, const Area& a, int y) {
    if (!t.LeftOut.empty()) {
        AnsiString list;
        for (const AnsiString& name : t.LeftOut) list += ", " + name;
        SetBold(c, true);
        c.TextOut(a.TX, y, form.Ui(t.Mode == cmGroupPie ? 170 : 171) + " " + list.substr(2));
        y += a.LH;
        SetBold(c, false);
    }
    Real S = 0;
    for (Real v : t.SliceValues) S += v;
    if (S == 0) S = 1;
    Box b = BoxBelow(a, y);
    b.X2 = b.X1 + (b.Y2 - b.Y1);
    c.Ellipse(b.X1, b.Y1, b.X2, b.Y2);
    PaintSlices(c, t, a, b, S);
    std::vector<AnsiString> texts;
    for (size_t i = 0; i < t.SliceValues.size(); ++i)
        texts.push_back(Percent(t.SliceValues[i], S) + " " + t.SliceNames[i]);
    PaintLegend(c, a, b, texts, WidestText(c, t.SliceNames) + c.TextWidth("100% "));
}

// The plot of a time chart: its box and the value range its height stands for.
struct Plot {
    Box b;
    Real Min = 0, Max = 0;
    size_t count = 0;  // buckets: the values of the first series
    // The height of a value above the box's bottom, which stands for Min; never 0.
    int Height(Real v) const {
        const int h = RoundInt((b.Y2 - b.Y1) * (v - Min) / (Max - Min));
        return h == 0 ? 1 : h;
    }
    // The left edges of the buckets that fit whole; the first that does not ends the list. A
    // bucket ending exactly at X2 fits, also when adding up G leaves a rounding error behind.
    std::vector<Real> BucketX(Real G) const {
        std::vector<Real> xs;
        Real x = b.X1;
        for (size_t k = 0; k < count && x + G <= b.X2 + 1e-6L; ++k, x += G) xs.push_back(x);
        return xs;
    }
};

// From the largest of 0 and the values down to the smallest value, widened by a tenth at both
// ends. Values all equal to one number c >= 0 would leave no range: they are shown against the
// range from 0 to c (0 to 1 for c = 0), widened the same way.
void ValueRange(const ChartText& t, Real& Min, Real& Max) {
    Real hi = 0, lo = 1e15L;
    bool any = false;
    for (const auto& series : t.Series)
        for (Real v : series) {
            hi = std::max(hi, v);
            lo = std::min(lo, v);
            any = true;
        }
    if (any && hi == lo) {
        lo = std::min<Real>(lo, 0);
        if (hi == lo) hi = lo + 1;
    }
    Max = hi + (hi - lo) * 0.1L;
    Min = lo - (Max - lo) * 0.1L;
}

AnsiString ValueText(Real v) {
    return FloatToStrSep(v, ',');
}

// Labels under the buckets, each left out when it would overlap the last one drawn; `centre`
// gives a label's centre for bucket k, `mark` runs for every label drawn.
template <typename Mark>
void PaintBucketLabels(TCanvas& c, const ChartText& t, const std::vector<Real>& xs, Real offset,
                       int Y2, Mark mark) {
    bool first = true;
    Real lastRight = 0;
    for (size_t k = 0; k < xs.size(); ++k) {
        const AnsiString label = k < t.Labels.size() ? t.Labels[k] : AnsiString();
        const int tw = c.TextWidth(label);
        const Real LX = xs[k] + offset - tw / 2.0L;
        if (!first && !(LX > lastRight)) continue;
        mark(k);
        c.TextOut(RoundInt(LX), Y2, label);
        lastRight = LX + tw;
        first = false;
    }
}

void PaintBars(TCanvas& c, const ChartText& t, const Area& a, const Plot& p) {
    const Real W = a.W, step = W / 100 + W / 400;
    const Real G = static_cast<Real>(t.Series.size()) * step + W / 100;
    const std::vector<Real> xs = p.BucketX(G);
    for (int pass = 0; pass < 2; ++pass) {
        // First the bars, then their values over them on a clear brush.
        c.Brush.Style = pass == 0 ? bsSolid : bsClear;
        for (size_t k = 0; k < xs.size(); ++k)
            for (size_t s = 0; s < t.Series.size(); ++s) {
                if (k >= t.Series[s].size()) continue;
                const Real v = t.Series[s][k];
                const int h = p.Height(v);
                const Real left = xs[k] + static_cast<Real>(s) * step;
                if (pass == 0) {
                    c.Brush.Color = ChartColor(static_cast<int>(s));
                    c.FillRect(Rect(RoundInt(left), p.b.Y2 - h, RoundInt(RoundInt(left) + W / 100),
                                    p.b.Y2));
                } else {
                    const AnsiString text = ValueText(v);
                    c.TextOut(RoundInt(left + W / 200 - c.TextWidth(text) / 2.0L),
                              p.b.Y2 - h - a.LH, text);
                }
            }
    }
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    PaintBucketLabels(c, t, xs, G / 2 - W / 200, p.b.Y2, [](size_t) {});
}

void PaintLines(TCanvas& c, const ChartText& t, const Area& a, const Plot& p) {
    const Real W = a.W;
    const Real G = std::max(static_cast<Real>(p.b.X2 - p.b.X1) / p.count, W / 100);
    const std::vector<Real> xs = p.BucketX(G);
    c.Pen = TPen{kGrey, 1, psSolid};
    PaintBucketLabels(c, t, xs, 0, p.b.Y2, [&](size_t k) {
        c.MoveTo(RoundInt(xs[k]), p.b.Y1);
        c.LineTo(RoundInt(xs[k]), p.b.Y2);
    });
    c.Pen.Width = RoundInt(W / 200);
    for (size_t s = 0; s < t.Series.size(); ++s) {
        c.Pen.Color = c.Brush.Color = ChartColor(static_cast<int>(s));
        for (size_t k = 0; k < xs.size() && k < t.Series[s].size(); ++k) {
            const int y = p.b.Y2 - p.Height(t.Series[s][k]);
            if (k == 0)
                c.MoveTo(RoundInt(xs[k]), y);
            else
                c.LineTo(RoundInt(xs[k]), y);
            c.Ellipse(RoundInt(xs[k] - W / 200), RoundInt(y - W / 200), RoundInt(xs[k] + W / 200),
                      RoundInt(y + W / 200));
        }
    }
    c.Brush.Style = bsClear;
    for (size_t s = 0; s < t.Series.size(); ++s)
        for (size_t k = 0; k < xs.size() && k < t.Series[s].size(); ++k) {
            const AnsiString text = ValueText(t.Series[s][k]);
            c.TextOut(RoundInt(xs[k] - c.TextWidth(text) / 2.0L),
                      p.b.Y2 - p.Height(t.Series[s][k]) - a.LH, text);
        }
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.Pen = TPen{kGrey, 1, psSolid};
}

void PaintTimeChart(TCanvas& c, const ChartText& t, const Area& a, int y) {
    const int NW = WidestText(c, t.Names);
    Plot p;
    p.count = t.Series.empty() ? 0 : t.Series.front().size();
    ValueRange(t, p.Min, p.Max);
    p.b = BoxBelow(a, y);
    p.b.X2 = RoundInt(a.M.Left + a.W - NW - a.W / 10.0L);
    if (p.count > 0) {
        if (t.Mode == cmBars)
            PaintBars(c, t, a, p);
        else
            PaintLines(c, t, a, p);
    }
    c.MoveTo(p.b.X1, p.b.Y1);
    c.LineTo(p.b.X1, p.b.Y2);
    c.LineTo(p.b.X2, p.b.Y2);
    PaintLegend(c, a, p.b, t.Names, NW);
}

}  // namespace

ChartText ReadChartText(const AnsiString& text) {
    ChartText t;
    TLineReader lines(text);
    const AnsiString first = lines.Next();
    if (!first.empty()) {
        t.Mode = static_cast<unsigned char>(first[0]);
        t.Title = first.substr(1);
    }
    t.Subject = lines.Next();
    if (IsPie(t.Mode))
        ReadSlices(lines, t);
    else if (IsTimeChart(t.Mode))
        ReadSeries(lines, t);
    return t;
}

TColor ChartColor(int index) {
    static const int kLevels[4] = {0xD0, 0x00, 0xFF, 0x80};
    const int i = ((index % 64) + 64) % 64;
    return RGB(kLevels[i % 4], kLevels[(i / 4) % 4], kLevels[i / 16]);
}

void PaintDiagramToCanvas(const TForm1& form, TCanvas& canvas, const AnsiString& text,
                          const TRect& margins) {
    const ChartText t = ReadChartText(text);
    const TRect clip = canvas.ClipRect();
    Area a;
    a.M = margins;
    a.W = clip.Right - margins.Left - margins.Right;
    a.H = clip.Bottom - margins.Top - margins.Bottom;
    canvas.Brush = TBrush{clWhite, bsSolid};
    canvas.Pen = TPen{kGrey, 1, psSolid};
    canvas.Font.Name = "Arial";
    canvas.Font.Size = 9;
    canvas.Font.Color = clBlack;
    SetBold(canvas, false);
    a.LH = canvas.TextHeight("1");
    a.TX = RoundInt(margins.Left + a.W / 100.0L);
    const int y = PaintHeadings(form, canvas, t, a);
    if (IsPie(t.Mode))
        PaintPie(form, canvas, t, a, y);
    else if (IsTimeChart(t.Mode))
        PaintTimeChart(canvas, t, a, y);
}

}  // namespace qm
