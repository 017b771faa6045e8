#pragma once

#include <climits>

namespace tr {

// The smallest and largest of some values, in tenths.
struct ValueRange {
    int lo = INT_MAX;
    int hi = INT_MIN;
    bool isEmpty() const { return lo > hi; }
    void add(int low, int high) {
        lo = low < lo ? low : lo;
        hi = high > hi ? high : hi;
    }
    void add(const ValueRange &r) {
        if (!r.isEmpty())
            add(r.lo, r.hi);
    }
};

// One channel over a stretch of rows, kept so that stretches can be joined: the values before
// the first gap, between the first and the last gap, and after the last gap. Drawing it keeps
// every extreme and every gap whatever the number of rows behind it.
struct ChannelSpan {
    ValueRange head, mid, tail;
    bool gap = false;

    void addValues(int lo, int hi) { (gap ? tail : head).add(lo, hi); }
    void addGap();
    void add(const ChannelSpan &later);
    bool isEmpty() const { return !gap && head.isEmpty(); }
};

} // namespace tr
