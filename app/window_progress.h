// Long work of the main window (a report over everything, an import) shows ProgressBar1 moving,
// and between its steps the event loop runs paints and timers, so that the windows stay painted
// while the work goes on. The user's keys and clicks wait until the work is done.
#pragma once

#include <chrono>

#include "app/progress.h"

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
    bool painted_ = false;
    std::chrono::steady_clock::time_point lastPaint_{};
};

}  // namespace qm
