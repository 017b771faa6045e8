#pragma once

namespace tr {

// Waits at least ms milliseconds while the thread keeps handling its events. It sleeps in a
// nested event loop until a precise timer fires (no busy loop), measured on a monotonic 64-bit
// clock, so it neither burns a core nor hangs when a 32-bit tick counter wraps. Pending events
// are handled at least once, even for 0 or negative waits.
void WaitMs(int ms);

} // namespace tr
