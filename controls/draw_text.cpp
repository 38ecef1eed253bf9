// Formatted text drawing: the prefix, line, word-break and tab rules listed in the header.
#include "controls/draw_text.h"

#include <QPainter>
#include <algorithm>
#include <cctype>
#include <vector>

namespace qm {
namespace {

// The text as shown: prefixes resolved, each character flagged when it is underlined.
struct ShownText {
    AnsiString chars;
    std::vector<bool> underlined;
    void Add(char c, bool underline) {
        chars += c;
        underlined.push_back(underline);
    }
};

struct Span {
    size_t begin, end;
};

ShownText ResolvePrefixes(const AnsiString& text, unsigned flags) {
    ShownText shown;
    const bool prefixes = !(flags & DT_NOPREFIX);
    const bool tabs = flags & DT_EXPANDTABS;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\t' && !tabs) c = ' ';
        if (prefixes && c == '&') {
            if (i + 1 >= text.size()) break;  // a lone trailing "&" shows nothing
            ++i;
            shown.Add(text[i], text[i] != '&');
            continue;
        }
        shown.Add(c, false);
    }
    return shown;
}

class Layout {
  public:
    Layout(TCanvas& canvas, const ShownText& text, unsigned flags)
        : canvas_(canvas), text_(text), flags_(flags) {
        const int average =
            (canvas.TextWidth("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") / 26 + 1) / 2;
        tabWidth_ = std::max(1, 8 * average);
    }

    // The width of a part of one line, tabs measured from the line's start at `begin`.
    int Width(size_t begin, size_t end) const {
        int x = 0;
        size_t run = begin;
        for (size_t i = begin; i <= end; ++i) {
            if (i < end && text_.chars[i] != '\t') continue;
            if (i > run) x += canvas_.TextWidth(text_.chars.substr(run, i - run));
            if (i < end) x = (x / tabWidth_ + 1) * tabWidth_;
            run = i + 1;
        }
        return x;
    }

    std::vector<Span> Lines(int maxWidth) const {
        std::vector<Span> lines;
        for (Span para : Paragraphs()) {
            if (flags_ & DT_WORDBREAK)
                Wrap(para, maxWidth, lines);
            else
                lines.push_back(para);
        }
        return lines;
    }

    // Draws one line with its left edge at x, underlined runs with an underlined font.
    void DrawLine(Span line, int x, int y) const {
        const TFont saved = canvas_.Font;
        size_t run = line.begin;
        int left = x;
        for (size_t i = line.begin; i <= line.end; ++i) {
            const bool boundary = i == line.end || text_.chars[i] == '\t' ||
                                  text_.underlined[i] != text_.underlined[run];
            if (!boundary) continue;
            if (i > run) {
                TFont font = saved;
                if (text_.underlined[run]) font.Style.Include(fsUnderline);
                canvas_.Font = font;
                canvas_.TextOut(x, y, text_.chars.substr(run, i - run));
                x = canvas_.PenPos.X;
            }
            if (i < line.end && text_.chars[i] == '\t') {
                x = left + ((x - left) / tabWidth_ + 1) * tabWidth_;
                run = i + 1;
            } else {
                run = i;
            }
        }
        canvas_.Font = saved;
    }

  private:
    std::vector<Span> Paragraphs() const {
        std::vector<Span> paras;
        const AnsiString& s = text_.chars;
        if (flags_ & DT_SINGLELINE) return {Span{0, s.size()}};
        size_t start = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] != '\r' && s[i] != '\n') continue;
            paras.push_back({start, i});
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
            start = i + 1;
        }
        paras.push_back({start, s.size()});
        return paras;
    }

    void Wrap(Span para, int maxWidth, std::vector<Span>& lines) const {
        const AnsiString& s = text_.chars;
        size_t start = para.begin;
        do {
            size_t end = start, pos = start;
            bool any = false;
            for (;;) {
                size_t word = pos;
                while (word < para.end && s[word] == ' ') ++word;
                if (word >= para.end) {
                    if (!any) end = para.end;  // nothing but blanks: the line keeps them
                    pos = para.end;
                    break;
                }
                size_t wordEnd = word;
                while (wordEnd < para.end && s[wordEnd] != ' ') ++wordEnd;
                if (any && Width(start, wordEnd) > maxWidth) break;
                end = pos = wordEnd;
                if (!any && Width(start, wordEnd) > maxWidth) {
                    any = true;
                    break;  // a word wider than the rectangle stands alone
                }
                any = true;
            }
            lines.push_back({start, end});
            start = pos;
            while (start < para.end && s[start] == ' ') ++start;
        } while (start < para.end);
    }

    TCanvas& canvas_;
    const ShownText& text_;
    unsigned flags_;
    int tabWidth_;
};

// Draws the lines from `top` down, each aligned in the rectangle, clipped to it unless
// DT_NOCLIP.
void DrawLines(TCanvas& canvas, const Layout& layout, const std::vector<Span>& lines,
               const TRect& rect, int top, int lineHeight, unsigned flags) {
    QPainter* p = canvas.Painter();
    const bool clip = p && !(flags & DT_NOCLIP);
    if (clip) {
        p->save();
        p->setClipRect(
            QRect(rect.Left, rect.Top, std::max(0, rect.Width()), std::max(0, rect.Height())),
            p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    int y = top;
    for (Span line : lines) {
        const int w = layout.Width(line.begin, line.end);
        int x = rect.Left;
        if (flags & DT_RIGHT)
            x = rect.Right - w;
        else if (flags & DT_CENTER)
            x = rect.Left + (rect.Width() - w) / 2;
        layout.DrawLine(line, x, y);
        y += lineHeight;
    }
    if (clip) p->restore();
}

}  // namespace

int DrawText(TCanvas& canvas, const AnsiString& text, TRect& rect, unsigned flags) {
    const ShownText shown = ResolvePrefixes(text, flags);
    const Layout layout(canvas, shown, flags);
    const std::vector<Span> lines = layout.Lines(rect.Width());
    const int lineHeight = canvas.TextHeight("Wg");
    const int height = static_cast<int>(lines.size()) * lineHeight;

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (Span line : lines) widest = std::max(widest, layout.Width(line.begin, line.end));
        rect.Bottom = rect.Top + height;
        rect.Right =
            lines.size() <= 1 ? rect.Left + widest : std::max(rect.Right, rect.Left + widest);
        return height;
    }

    int top = rect.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER) top = rect.Top + (rect.Height() - lineHeight) / 2;
        if (flags & DT_BOTTOM) top = rect.Bottom - lineHeight;
    }
    DrawLines(canvas, layout, lines, rect, top, lineHeight, flags);
    if ((flags & DT_SINGLELINE) && (flags & (DT_VCENTER | DT_BOTTOM)))
        return top - rect.Top + lineHeight;
    return height;
}

void DrawFocusRect(TCanvas& canvas, const TRect& rect) {
    QPainter* p = canvas.Painter();
    if (!p || rect.IsEmpty()) return;
    std::vector<QPoint> points;
    auto add = [&](int x, int y) {
        if ((x + y) % 2 == 0) points.emplace_back(x, y);
    };
    for (int x = rect.Left; x < rect.Right; ++x) {
        add(x, rect.Top);
        if (rect.Bottom - 1 > rect.Top) add(x, rect.Bottom - 1);
    }
    for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
        add(rect.Left, y);
        if (rect.Right - 1 > rect.Left) add(rect.Right - 1, y);
    }
    p->save();
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->setPen(QPen(Qt::white, 1));
    p->drawPoints(points.data(), static_cast<int>(points.size()));
    p->restore();
    if (canvas.OnChange) canvas.OnChange();
}

char AccelChar(const AnsiString& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;
    }
    return 0;
}

bool IsAccel(char key, const AnsiString& caption) {
    const char accel = AccelChar(caption);
    return accel != 0 && std::toupper(static_cast<unsigned char>(accel)) ==
                             std::toupper(static_cast<unsigned char>(key));
}

}  // namespace qm
