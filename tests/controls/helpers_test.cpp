// The controls' shared routines: text helpers, image cells, disabled rendering, the parent's
// picture under a control, posted-event swallowing and the start-up settings.
#include "controls/helpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QWidget>
#include <climits>

#include "controls/button_glyph.h"
#include "controls/rx_label.h"
#include "tests/controls/control_test_util.h"

using namespace qm;
using namespace qmtest;

TEST(ControlHelpers, TextRoutinesKeepTheirEdgeCases) {
    EXPECT_EQ(Max(-3, 2), 2);
    EXPECT_EQ(Min(-3, 2), -3);
    EXPECT_EQ(Max(INT_MIN, INT_MAX), INT_MAX);
    EXPECT_EQ(Min(INT_MIN, INT_MAX), INT_MIN);

    EXPECT_EQ(ReplaceAll("1.234.5", ".", ","), "1,234,5");
    // Replaced parts are not scanned again.
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("abab", "ab", "b"), "bb");
    EXPECT_EQ(ReplaceAll("x$$y", "$", ""), "xy");
    EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");

    EXPECT_EQ(RemoveChar("1 234 567", ' '), "1234567");
    EXPECT_EQ(RemoveChar("", ' '), "");

    EXPECT_EQ(TrimLeadingBlanks("  a b  "), "a b  ");
    EXPECT_EQ(TrimTrailingBlanks("  a b  "), "  a b");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\t x \t"), "\t x \t");
    EXPECT_EQ(TrimBlanks("    "), "");
    EXPECT_EQ(TrimLeadingBlanks(""), "");

    EXPECT_EQ(RepeatChar('#', 0), "");
    EXPECT_EQ(RepeatChar('#', -2), "");
    EXPECT_EQ(RepeatChar('#', 3), "###");
}

TEST(ControlHelpers, ShortenTextCutsFromTheEndUntilItFits) {
    TBitmap bitmap(10, 10);
    TCanvas& c = bitmap.Canvas();
    c.Font.Size = 9;
    const AnsiString text = "Household accounts";
    const int full = c.TextWidth(text);
    EXPECT_EQ(ShortenText(text, c, full), text);
    EXPECT_EQ(ShortenText(text, c, full + 50), text);

    const int limit = full / 2;
    const AnsiString shown = ShortenText(text, c, limit);
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    const AnsiString kept = shown.substr(0, shown.size() - 3);
    EXPECT_EQ(text.substr(0, kept.size()), kept);
    EXPECT_LE(c.TextWidth(shown), limit);
    // The longest such text: one more character would not fit.
    EXPECT_GT(c.TextWidth(text.substr(0, kept.size() + 1) + "..."), limit);

    EXPECT_EQ(ShortenText(text, c, 1), "...");
}

TEST(ControlHelpers, CopyImageCellTakesTheCellAlongTheRows) {
    // Three columns, two rows of 4 x 5 cells, each its own colour.
    const TColor colours[6] = {clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
    TBitmap grid(12, 10);
    for (int i = 0; i < 6; ++i) {
        grid.Canvas().Brush = TBrush{colours[i], bsSolid};
        const int x = (i % 3) * 4, y = (i / 3) * 5;
        grid.Canvas().FillRect(Rect(x, y, x + 4, y + 5));
    }
    grid.SetTransparentColor(clAqua);
    grid.SetTransparent(true);

    TBitmap cell;
    CopyImageCell(grid, cell, 3, 2, 4);
    EXPECT_EQ(cell.Width(), 4);
    EXPECT_EQ(cell.Height(), 5);
    EXPECT_EQ(CountWhere(cell.Image(), Exactly(clAqua)), 20);
    EXPECT_TRUE(cell.Transparent());
    EXPECT_EQ(cell.TransparentColor(), clAqua);

    CopyImageCell(grid, cell, 3, 2, 2);
    EXPECT_EQ(CountWhere(cell.Image(), Exactly(clBlue)), 20);

    // Columns and rows below 1 count as 1, a negative index as 0: the whole picture.
    grid.SetTransparent(false);
    CopyImageCell(grid, cell, 0, -1, -5);
    EXPECT_EQ(cell.Width(), 12);
    EXPECT_EQ(cell.Height(), 10);
    EXPECT_FALSE(cell.Transparent());

    // A picture with an alpha channel lands on silver.
    QImage icon(8, 4, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(5, 1, qRgb(0, 0, 255));
    CopyImageCell(icon, cell, 2, 1, 1);
    EXPECT_EQ(cell.Width(), 4);
    EXPECT_EQ(At(cell.Image(), 1, 1), clBlue);
    EXPECT_EQ(At(cell.Image(), 0, 0), clSilver);
    EXPECT_TRUE(cell.Transparent());
}

namespace {

// A white picture with a black 3 x 3 square at (2, 2) and one red pixel at (8, 8).
TBitmap SquareImage() {
    TBitmap image = Filled(10, 10, clWhite);
    image.Canvas().Brush = TBrush{clBlack, bsSolid};
    image.Canvas().FillRect(Rect(2, 2, 5, 5));
    image.Canvas().SetPixels(8, 8, clRed);
    return image;
}

}  // namespace

TEST(ControlHelpers, DisabledBitmapEmbossesTheFigureOfTheMaskColour) {
    const TBitmap image = SquareImage();
    TBitmap disabled = DisabledBitmap(image);
    const QImage& d = disabled.Image();
    ASSERT_EQ(disabled.Width(), 10);
    EXPECT_EQ(At(d, 2, 2), clBtnShadow);
    EXPECT_EQ(At(d, 4, 4), clBtnShadow);
    // The highlight shows one pixel below and right of the figure.
    EXPECT_EQ(At(d, 5, 5), clBtnHighlight);
    EXPECT_EQ(At(d, 5, 3), clBtnHighlight);
    EXPECT_EQ(At(d, 3, 5), clBtnHighlight);
    EXPECT_EQ(At(d, 1, 1), clBtnFace);
    EXPECT_EQ(At(d, 8, 8), clBtnFace);  // not the mask colour: no figure
    EXPECT_EQ(CountWhere(d, Exactly(clBtnShadow)), 9);
    EXPECT_EQ(CountWhere(d, Exactly(clBtnHighlight)), 5);

    TBitmap flat = DisabledBitmap(image, clRed, clYellow, false, clNavy, clWhite);
    EXPECT_EQ(At(flat.Image(), 8, 8), clNavy);
    EXPECT_EQ(At(flat.Image(), 3, 3), clYellow);
    EXPECT_EQ(CountWhere(flat.Image(), Exactly(clWhite)), 0);
    EXPECT_EQ(CountWhere(flat.Image(), Exactly(clNavy)), 1);
}

TEST(ControlHelpers, DrawImageDisabledDrawsOnlyTheFigureAndKeepsTheBrush) {
    TGlyphList list(10, 10);
    TBitmap image = SquareImage();
    image.Canvas().Brush = TBrush{clFuchsia, bsSolid};
    image.Canvas().FillRect(Rect(6, 0, 10, 10));
    const int index = list.AddMasked(image, clFuchsia);

    TBitmap target = Filled(40, 40, clGreen);
    TCanvas& c = target.Canvas();
    c.Brush = TBrush{clBlue, bsSolid};
    DrawImageDisabled(list, c, 20, 20, index, true, clMaroon, clYellow);
    const QImage& t = target.Image();
    EXPECT_EQ(At(t, 22, 22), clMaroon);
    EXPECT_EQ(At(t, 25, 25), clYellow);
    EXPECT_EQ(At(t, 20, 20), clGreen);  // white, not the figure
    EXPECT_EQ(At(t, 28, 28), clGreen);  // masked out
    EXPECT_EQ(CountWhere(t, Exactly(clMaroon)), 9);
    EXPECT_EQ(c.Brush.Color, clBlue);

    // An unknown index draws nothing.
    DrawImageDisabled(list, c, 0, 0, index + 3, true, clMaroon, clYellow);
    EXPECT_EQ(CountWhere(target.Image(), Exactly(clMaroon)), 9);
}

namespace {

// A parent that paints its left half red and its right half blue, noting whether it was
// painting a copy.
class StripedParent : public QWidget {
  public:
    StripedParent() { resize(100, 60); }
    bool sawCopy = false;

  protected:
    void paintEvent(QPaintEvent*) override {
        sawCopy = PaintingCopy(this);
        QPainter p(this);
        p.fillRect(0, 0, 50, 60, Qt::red);
        p.fillRect(50, 0, 50, 60, Qt::blue);
    }
};

}  // namespace

TEST(ControlHelpers, PaintParentImageShowsTheParentAndLowerSiblings) {
    StripedParent parent;
    auto* below = new TRxLabel(&parent);
    below->SetAutoSize(false);
    below->SetCaption("");
    below->SetColor(clLime);
    below->setGeometry(30, 0, 10, 60);
    auto* target = new TRxLabel(&parent);
    target->SetAutoSize(false);
    target->setGeometry(20, 10, 40, 20);
    auto* above = new TRxLabel(&parent);
    above->SetAutoSize(false);
    above->SetCaption("");
    above->SetColor(clYellow);
    above->setGeometry(55, 0, 10, 60);
    auto* hidden = new TRxLabel(&parent);
    hidden->SetAutoSize(false);
    hidden->SetCaption("");
    hidden->SetColor(clNavy);
    hidden->setGeometry(0, 0, 100, 60);
    hidden->hide();
    hidden->stackUnder(target);
    parent.show();

    TBitmap picture = Filled(40, 20, clWhite);
    PaintParentImage(target, picture.Canvas());
    const QImage& img = picture.Image();
    EXPECT_EQ(At(img, 0, 5), clRed);    // parent x 20
    EXPECT_EQ(At(img, 12, 5), clLime);  // the lower sibling at parent x 32
    EXPECT_EQ(At(img, 25, 5), clRed);   // parent x 45
    EXPECT_EQ(At(img, 37, 5), clBlue);  // parent x 57: the sibling above is not painted here
    EXPECT_EQ(CountWhere(img, Exactly(clYellow)), 0);
    EXPECT_EQ(CountWhere(img, Exactly(clNavy)), 0);
    EXPECT_EQ(CountWhere(img, Exactly(clWhite)), 0);
    EXPECT_TRUE(parent.sawCopy);
    EXPECT_FALSE(PaintingCopy(&parent));
}

namespace {

class EventCounter : public QObject {
  public:
    int first = 0, second = 0, quits = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) ++first;
        if (e->type() == QEvent::User + 1) ++second;
        if (e->type() == QEvent::Quit) ++quits;
        return true;
    }
};

}  // namespace

TEST(ControlHelpers, SwallowMessageDropsPendingEventsButNeverAQuit) {
    EventCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::Quit));
    SwallowMessage(&counter, QEvent::User);
    SwallowMessage(&counter, QEvent::Quit);
    QCoreApplication::sendPostedEvents(&counter);
    EXPECT_EQ(counter.first, 0);
    EXPECT_EQ(counter.second, 1);
    EXPECT_EQ(counter.quits, 1);
}

TEST(ControlHelpers, StartUpRegistersCursorsAndReadsTheDateFormat) {
    const AnsiString saved = FormatSettings().ShortDateFormat;
    FinalizeControls();
    FormatSettings().ShortDateFormat = "dd.MM.yy";
    InitializeControls();
    EXPECT_FALSE(FourDigitYear());
    EXPECT_EQ(PropertyNameDelimiter(), "_");
    EXPECT_EQ(ScreenCursor(crHand).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(ScreenCursor(crDragHand).shape(), Qt::DragMoveCursor);
    EXPECT_EQ(ScreenCursor(4242).shape(), Qt::ArrowCursor);
    // A second initialization changes nothing.
    FormatSettings().ShortDateFormat = "dd/mm/YYYY";
    InitializeControls();
    EXPECT_FALSE(FourDigitYear());

    FinalizeControls();
    EXPECT_EQ(PropertyNameDelimiter(), "");
    InitializeControls();
    EXPECT_TRUE(FourDigitYear());
    RegisterScreenCursor(4242, QCursor(Qt::CrossCursor));
    EXPECT_EQ(ScreenCursor(4242).shape(), Qt::CrossCursor);
    FormatSettings().ShortDateFormat = saved;
}
