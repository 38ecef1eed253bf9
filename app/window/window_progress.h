// Long work of the main window (a report over everything, an import, an export) shows
// ProgressBar1 moving, and between its steps the event loop runs, so that the windows stay
// painted while the work goes on. The user's keys and clicks wait until the work is done, and so
// do the window's own timers (the ledger's caret and cell hint, the scroll repeat): the work may
// hold the ledger's rows in a state they must not be painted from, as the export does.
#pragma once

#include <chrono>

#include "app/store/progress.h"

namespace qm {

class TForm1;

class TWindowProgress {
  public:
    // Shows the bar. It stands on the period bar, which a report tab hides: then the period bar
    // is shown for the work's duration. Without a window (null) the steps do nothing.
    explicit TWindowProgress(TForm1* form);
    // Hides the bar, and the period bar where it was hidden before.
    ~TWindowProgress();
    TWindowProgress(const TWindowProgress&) = delete;
    TWindowProgress& operator=(const TWindowProgress&) = delete;

    // Moves the bar to `position` of `max` and lets the windows paint: at the first step, and
    // then at most every few hundredths of a second, however often the work steps.
    void Step(int position, int max);
    TProgressStep Callback() {
        return [this](int position, int max) { Step(position, max); };
    }

  private:
    TForm1* form_;
    bool panelWasHidden_ = false;
    bool timer1_ = false, timer2_ = false;  // whether each was running
    bool painted_ = false;
    std::chrono::steady_clock::time_point lastPaint_{};
};

}  // namespace qm
