// The item lists: the drop-down list (TComboBox) and the list box (TListBox), both holding their
// lines as TStrings. Selecting an item in code (ItemIndex) fires no event; only the user's choice
// does. Adding items to a list without selection leaves it without one.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <memory>

#include "platform/control.h"
#include "platform/graphics.h"

namespace qm {

// The lines of a list. An index outside 0..Count()-1 raises Exception("List index out of bounds
// (<index>)").
class TStrings {
  public:
    virtual ~TStrings() = default;
    virtual int Count() const = 0;
    virtual AnsiString Strings(int index) const = 0;
    virtual void Insert(int index, const AnsiString& s) = 0;  // index 0..Count()
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    int Add(const AnsiString& s);
    int IndexOf(const AnsiString& s) const;  // -1 when absent
    AnsiString operator[](int index) const { return Strings(index); }

  protected:
    static void CheckIndex(int index, int count);
};

// A drop-down list without typing.
class TComboBox : public QComboBox, public TControl {
  public:
    explicit TComboBox(QWidget* parent);
    ~TComboBox() override;
    // When the user chooses an item (also the one already chosen), not when code sets ItemIndex.
    TNotifyEvent OnChange;
    TStrings& Items() { return *items_; }
    const TStrings& Items() const { return *items_; }
    // -1: no item chosen. Setting an index outside the items chooses none.
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index);
    // The chosen item's text; empty when none.
    AnsiString Text() const { return currentIndex() >= 0 ? Items()[currentIndex()] : AnsiString(); }

  private:
    std::unique_ptr<TStrings> items_;
};

// Owner-drawn items of fixed height: OnDrawItem paints each one.
enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed };
using TOwnerDrawState = unsigned;
enum : unsigned { odSelected = 1, odFocused = 2 };
// The canvas comes prepared as the framework's: the brush in the item's background colour
// (clHighlight when selected), the list's font in its text colour (clHighlightText when
// selected). Without a handler an owner-drawn item is filled and its text drawn 2 pixels from
// its left.
using TDrawItemEvent =
    std::function<void(int index, const TRect& rect, TOwnerDrawState state, TCanvas& canvas)>;

class TListBox : public QListWidget, public TControl {
  public:
    explicit TListBox(QWidget* parent);
    ~TListBox() override;
    TNotifyEvent OnDblClick;
    // After the press has selected the item under it; x and y in the list's client area. A
    // double click reports OnDblClick and then a press with ssDouble.
    TMouseEvent OnMouseDown;
    TDrawItemEvent OnDrawItem;

    TStrings& Items() { return *items_; }
    const TStrings& Items() const { return *items_; }
    // The selected item, -1 when none; with MultiSelect the item with the focus rectangle.
    // Deleting the selected item leaves none selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    bool MultiSelect() const { return selectionMode() == QAbstractItemView::ExtendedSelection; }
    void SetMultiSelect(bool on);
    // The first item in view.
    int TopIndex() const;
    void SetTopIndex(int index);

    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle style);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    // Text measures in the list's font as its canvas takes them, for sizing the list. Not
    // const: the first call makes the list's measuring canvas, and each sets its font.
    int TextWidth(const AnsiString& s);
    int TextHeight(const AnsiString& s);

    // The painting of one owner-drawn item (called by the list's item delegate).
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state, TCanvas& canvas);

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    TCanvas& MeasureCanvas();

    std::unique_ptr<TStrings> items_;
    std::unique_ptr<TBitmap> measure_;
    TListBoxStyle style_ = TListBoxStyle::lbStandard;
    int itemHeight_ = 16;
};

}  // namespace qm
