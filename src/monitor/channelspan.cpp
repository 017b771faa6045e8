#include "monitor/channelspan.h"

namespace tr {

void ChannelSpan::addGap() {
    if (gap) {
        mid.add(tail);
        tail = {};
    }
    gap = true;
}

void ChannelSpan::add(const ChannelSpan &later) {
    if (!later.gap) {
        (gap ? tail : head).add(later.head);
        return;
    }
    if (!gap) {
        head.add(later.head);
        mid = later.mid;
    } else {
        mid.add(tail);
        mid.add(later.head);
        mid.add(later.mid);
    }
    tail = later.tail;
    gap = true;
}

} // namespace tr
