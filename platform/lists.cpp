// The item lists over QComboBox and QListWidget.
#include "platform/lists.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/graphics.h"
#include "platform/sysutils.h"

namespace qm {
namespace {

void ListIndexCheck(int index, int count) {
    if (index < 0 || index >= count)
        throw Exception("List index out of bounds (" + IntToStr(index) + ")");
}

// A list measures and paints all of an item's text, so an item shows what can show of a long
// one (a name of millions of characters that another program wrote into the file); the whole
// text stays with the item, under this role, and is what the item reads back.
constexpr int kWholeTextRole = Qt::UserRole + 1;

QString ShownItem(const AnsiString& s) {
    return ToQString(s.size() > kShownTextLimit ? s.substr(0, kShownTextLimit) : s);
}

QVariant WholeItem(const AnsiString& s) {
    if (s.size() <= kShownTextLimit) return {};
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

AnsiString ItemText(const QVariant& whole, const QString& shown) {
    if (whole.isValid()) return whole.toByteArray().toStdString();
    return FromQString(shown);
}

class ComboItems : public TStrings {
  public:
    explicit ComboItems(QComboBox* box) : box_(box) {}
    int Count() const override { return box_->count(); }
    AnsiString Strings(int index) const override {
        CheckIndex(index, Count());
        return ItemText(box_->itemData(index, kWholeTextRole), box_->itemText(index));
    }
    void Insert(int index, const AnsiString& s) override {
        CheckIndex(index, Count() + 1);
        // Qt chooses the first item added to an empty list; the framework chooses none.
        const int chosen = box_->currentIndex();
        QSignalBlocker block(box_);
        box_->insertItem(index, ShownItem(s));
        box_->setItemData(index, WholeItem(s), kWholeTextRole);
        if (chosen < 0) box_->setCurrentIndex(-1);
    }
    void Delete(int index) override {
        CheckIndex(index, Count());
        const bool chosen = box_->currentIndex() == index;
        QSignalBlocker block(box_);
        box_->removeItem(index);
        if (chosen) box_->setCurrentIndex(-1);
    }
    void Clear() override {
        QSignalBlocker block(box_);
        box_->clear();
    }

  private:
    QComboBox* box_;
};

class ListItems : public TStrings {
  public:
    explicit ListItems(TListBox* list) : list_(list) {}
    int Count() const override { return list_->count(); }
    AnsiString Strings(int index) const override {
        CheckIndex(index, Count());
        const QListWidgetItem* item = list_->item(index);
        return ItemText(item->data(kWholeTextRole), item->text());
    }
    void Insert(int index, const AnsiString& s) override {
        CheckIndex(index, Count() + 1);
        auto* item = new QListWidgetItem(ShownItem(s));
        item->setData(kWholeTextRole, WholeItem(s));
        list_->insertItem(index, item);
    }
    void Delete(int index) override {
        CheckIndex(index, Count());
        const bool selected = list_->item(index)->isSelected();
        delete list_->takeItem(index);
        // Qt moves the selection to a neighbour; the framework leaves none.
        if (selected && !list_->MultiSelect()) list_->SetItemIndex(-1);
    }
    void Clear() override { list_->clear(); }

  private:
    TListBox* list_;
};

// Paints owner-drawn items through the list's OnDrawItem and gives them their fixed height.
class OwnerDrawDelegate : public QStyledItemDelegate {
  public:
    explicit OwnerDrawDelegate(TListBox* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (list_->Style() != TListBoxStyle::lbOwnerDrawFixed) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        TOwnerDrawState state = 0;
        if (option.state & QStyle::State_Selected) state |= odSelected;
        if (option.state & QStyle::State_HasFocus) state |= odFocused;
        painter->save();
        {
            TCanvas canvas(painter);
            canvas.Font = list_->Font();
            canvas.Brush.Color = (state & odSelected) ? clHighlight : list_->Color();
            if (state & odSelected) canvas.Font.Color = clHighlightText;
            const QRect& r = option.rect;
            list_->DrawItem(index.row(),
                            Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()),
                            state, canvas);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (list_->Style() != TListBoxStyle::lbOwnerDrawFixed)
            return QStyledItemDelegate::sizeHint(option, index);
        return QSize(option.rect.width(), list_->ItemHeight());
    }

  private:
    TListBox* list_;
};

}  // namespace

void TStrings::CheckIndex(int index, int count) {
    ListIndexCheck(index, count);
}

int TStrings::Add(const AnsiString& s) {
    Insert(Count(), s);
    return Count() - 1;
}

int TStrings::IndexOf(const AnsiString& s) const {
    for (int i = 0; i < Count(); ++i)
        if (Strings(i) == s) return i;
    return -1;
}

TComboBox::TComboBox(QWidget* parent)
    : QComboBox(parent), TControl(this, QPalette::Base), items_(new ComboItems(this)) {
    setEditable(false);
    QObject::connect(this, &QComboBox::activated, this, [this] {
        if (OnChange) OnChange();
    });
}

TComboBox::~TComboBox() = default;

void TComboBox::SetItemIndex(int index) {
    QSignalBlocker block(this);
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

TListBox::TListBox(QWidget* parent)
    : QListWidget(parent), TControl(this, QPalette::Base), items_(new ListItems(this)) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new OwnerDrawDelegate(this));
}

TListBox::~TListBox() = default;

int TListBox::ItemIndex() const {
    if (MultiSelect()) return currentRow();
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TListBox::SetItemIndex(int index) {
    if (index < 0 || index >= count()) {
        if (!MultiSelect()) clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    if (MultiSelect())
        selectionModel()->setCurrentIndex(model()->index(index, 0), QItemSelectionModel::NoUpdate);
    else
        setCurrentRow(index);
}

bool TListBox::Selected(int index) const {
    ListIndexCheck(index, count());
    return item(index)->isSelected();
}

void TListBox::SetSelected(int index, bool selected) {
    ListIndexCheck(index, count());
    if (!MultiSelect() && selected) clearSelection();
    item(index)->setSelected(selected);
}

void TListBox::SetMultiSelect(bool on) {
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                        : QAbstractItemView::SingleSelection);
}

int TListBox::TopIndex() const {
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void TListBox::SetTopIndex(int index) {
    if (index >= 0 && index < count()) scrollToItem(item(index), QAbstractItemView::PositionAtTop);
}

void TListBox::SetStyle(TListBoxStyle style) {
    style_ = style;
    setUniformItemSizes(style == TListBoxStyle::lbOwnerDrawFixed);
    doItemsLayout();
}

void TListBox::SetItemHeight(int height) {
    itemHeight_ = std::max(1, height);
    doItemsLayout();
}

TCanvas& TListBox::MeasureCanvas() {
    if (!measure_) measure_ = std::make_unique<TBitmap>(1, 1);
    measure_->Canvas().Font = Font();
    return measure_->Canvas();
}

int TListBox::TextWidth(const AnsiString& s) {
    return MeasureCanvas().TextWidth(s);
}
int TListBox::TextHeight(const AnsiString& s) {
    return MeasureCanvas().TextHeight(s);
}

void TListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state, TCanvas& canvas) {
    if (OnDrawItem) {
        OnDrawItem(index, rect, state, canvas);
        return;
    }
    canvas.FillRect(rect);
    canvas.TextOut(rect.Left + 2, rect.Top, FromQString(item(index)->text()));
}

void TListBox::mousePressEvent(QMouseEvent* e) {
    QPointer<QListWidget> guard(this);
    QListWidget::mousePressEvent(e);
    if (guard && OnMouseDown) {
        const QPoint p = e->position().toPoint();
        OnMouseDown(MouseButtonOf(*e), ShiftStateOf(*e), p.x(), p.y());
    }
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QPointer<QListWidget> guard(this);
    QListWidget::mouseDoubleClickEvent(e);
    if (guard && OnDblClick) OnDblClick();
    if (guard && OnMouseDown) {
        const QPoint p = e->position().toPoint();
        OnMouseDown(MouseButtonOf(*e), ShiftStateOf(*e), p.x(), p.y());
    }
}

}  // namespace qm
