#pragma once

#include "modbus/answer.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <deque>
#include <functional>
#include <optional>

namespace tr {

struct TrafficLine {
    enum class Direction { Sent, Received };
    qint64 wallMs = 0; // milliseconds since the epoch
    Direction direction = Direction::Sent;
    QByteArray bytes;                   // empty for a request that got no answer
    std::optional<AnswerStatus> status; // received bytes and unanswered requests
};

// Every frame the link sent and received, newest last, the last kMaxLines kept. While paused
// the lines shown stay as they are; what comes meanwhile is held and shown on resuming.
class TrafficHistory {
public:
    static constexpr qsizetype kMaxLines = 10000;

    // What the lines shown went through, for a view of them.
    struct Change {
        qsizetype removedFirst = 0; // lines gone from the front
        qsizetype added = 0;        // lines added at the end
    };

    Change append(TrafficLine line);
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Lines held while paused, ready to be shown; the caller applies the change.
    Change takeHeld();
    void clear();

    qsizetype size() const { return qsizetype(lines_.size()); }
    const TrafficLine &at(qsizetype i) const { return lines_[std::size_t(i)]; }

private:
    static void trim(std::deque<TrafficLine> &lines);

    std::deque<TrafficLine> lines_;
    std::deque<TrafficLine> held_;
    bool paused_ = false;
};

// The history as text, a line per frame: "2024-03-05 09:07:05.123  <direction>  <hex>  <status>"
// with the caller's words for directions (indexed by their enum values) and statuses, CR LF.
QByteArray trafficText(const TrafficHistory &history, const std::array<QString, 2> &directions,
                       const std::function<QString(AnswerStatus)> &statusWord);

} // namespace tr
