#pragma once

// The real window at one end of a pseudo-terminal and the real tr6400-sim at the other, linked
// as the window's COM4, logging every request and answer: LiveWindow::start.
#include "support/livewindow.h"

namespace tr::test {
using SimWindow = LiveWindow;
} // namespace tr::test
