// The main window's progress bar during long work.
#include "app/window/window_progress.h"

#include <QApplication>
#include <algorithm>

#include "app/window/main_window.h"

namespace qm {

namespace {
// Often enough to look alive, rarely enough that painting costs the work little.
constexpr auto kPaintInterval = std::chrono::milliseconds(40);
}  // namespace

TWindowProgress::TWindowProgress(TForm1* form) : form_(form) {
    if (!form_ || !form_->ProgressBar1) return;
    timer1_ = form_->Timer1 && form_->Timer1->Enabled();
    timer2_ = form_->Timer2 && form_->Timer2->Enabled();
    if (timer1_) form_->Timer1->SetEnabled(false);
    if (timer2_) form_->Timer2->SetEnabled(false);
    panelWasHidden_ = form_->Panel1->isHidden();
    if (panelWasHidden_) form_->Panel1->SetVisible(true);
    form_->ProgressBar1->SetMin(0);
    form_->ProgressBar1->SetPosition(0);
    form_->ProgressBar1->SetVisible(true);
}

TWindowProgress::~TWindowProgress() {
    if (!form_ || !form_->ProgressBar1) return;
    form_->ProgressBar1->SetVisible(false);
    if (panelWasHidden_) form_->Panel1->SetVisible(false);
    if (timer1_) form_->Timer1->SetEnabled(true);
    if (timer2_) form_->Timer2->SetEnabled(true);
}

void TWindowProgress::Step(int position, int max) {
    if (!form_ || !form_->ProgressBar1) return;
    form_->ProgressBar1->SetMax(std::max(max, 0));
    form_->ProgressBar1->SetPosition(std::clamp(position, 0, std::max(max, 0)));
    const auto now = std::chrono::steady_clock::now();
    if (painted_ && now - lastPaint_ < kPaintInterval) return;
    painted_ = true;
    lastPaint_ = now;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace qm
