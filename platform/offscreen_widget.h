// The base of a window that paints itself: the program draws into an off-screen picture the size
// of the client area at any time, also outside paint events, and the paint event only copies it.
#pragma once

#include <QWidget>

#include "platform/graphics.h"

namespace qm {

class TPaintedWidget : public QWidget {
    Q_OBJECT
  public:
    explicit TPaintedWidget(QWidget* parent = nullptr);

    // The client-area picture and its canvas. Every drawing call schedules a screen copy.
    TBitmap& Image() { return image_; }
    TCanvas& Canvas() { return image_.Canvas(); }
    int ClientWidth() const { return width(); }
    int ClientHeight() const { return height(); }

    // Schedules copying the picture to the screen; several calls before it happens copy once.
    void Refresh();

  protected:
    // Paints the whole client area into the picture; runs after every resize, before the resize
    // event returns, so a window that has just changed size is drawn at its new size.
    virtual void Repaint() {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    TBitmap image_;
    bool updatePending_ = false;
};

}  // namespace qm
