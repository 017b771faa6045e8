#pragma once

#include <QDeadlineTimer>

namespace tr {

// Work done a slice at a time on the window's thread, so that the window keeps answering: each
// step returns by its deadline (or soon after: one line or row at most).
class ChunkedJob {
public:
    virtual ~ChunkedJob() = default;
    // Works until the deadline or the end; true while there is more to do.
    virtual bool step(const QDeadlineTimer &deadline) = 0;
    // 0 .. 1.
    virtual double progress() const = 0;
};

} // namespace tr
