// The charts report: its text read into slices or series, and drawn as a pie, lines or bars with
// headings and a legend. The geometry is proportional to the area the canvas offers, so the same
// routine draws on the window's bitmap and on a landscape printer page.
#pragma once

#include <vector>

#include "platform/ansistring.h"
#include "platform/graphics.h"

namespace qm {

class TForm1;

enum TChartMode : int { cmGroupPie = 1, cmAccountPie = 2, cmLines = 3, cmBars = 4 };

struct ChartText {
    int Mode = 0;        // the code of the text's first character
    AnsiString Title;    // the rest of the first line
    AnsiString Subject;  // the second line: the type or group of a pie, the grouping otherwise
    // Pies: the slices with their values in text order; slices whose value is negative are left
    // out of the pie and only named.
    std::vector<AnsiString> SliceNames;
    std::vector<long double> SliceValues;
    std::vector<AnsiString> LeftOut;
    // Time charts: one row of bucket values per series, the series names, the bucket labels.
    std::vector<std::vector<long double>> Series;
    std::vector<AnsiString> Names;
    std::vector<AnsiString> Labels;
};

ChartText ReadChartText(const AnsiString& text);

// Colour i of the 64-colour palette (levels D0, 00, FF, 80 of blue, green and red for the three
// base-4 digits of i); further indices repeat the palette.
TColor ChartColor(int index);

// Draws the chart on the canvas without filling its background. `margins` are distances from
// the canvas's drawable area (all zero on the window).
void PaintDiagramToCanvas(const TForm1& form, TCanvas& canvas, const AnsiString& text,
                          const TRect& margins);

}  // namespace qm
