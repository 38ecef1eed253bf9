// Steps of long work, for the window to show: `position` of `max`, both from 0. The window moves
// its progress bar and lets itself be painted between them (window_progress.h); work without a
// window is given none.
#pragma once

#include <functional>

namespace qm {

using TProgressStep = std::function<void(int position, int max)>;

}  // namespace qm
