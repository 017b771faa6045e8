#include "monitor/traffichistory.h"

#include "modbus/hextext.h"

#include <QDateTime>

namespace tr {

void TrafficHistory::trim(std::deque<TrafficLine> &lines) {
    while (qsizetype(lines.size()) > kMaxLines)
        lines.pop_front();
}

TrafficHistory::Change TrafficHistory::append(TrafficLine line) {
    if (paused_) {
        held_.push_back(std::move(line));
        trim(held_);
        return {};
    }
    lines_.push_back(std::move(line));
    Change change{0, 1};
    if (qsizetype(lines_.size()) > kMaxLines) {
        lines_.pop_front();
        change.removedFirst = 1;
    }
    return change;
}

void TrafficHistory::setPaused(bool paused) {
    paused_ = paused;
}

TrafficHistory::Change TrafficHistory::takeHeld() {
    if (paused_ || held_.empty())
        return {};
    Change change;
    change.added = std::min<qsizetype>(qsizetype(held_.size()), kMaxLines);
    change.removedFirst =
        std::max<qsizetype>(0, qsizetype(lines_.size()) + change.added - kMaxLines);
    for (TrafficLine &line : held_)
        lines_.push_back(std::move(line));
    held_.clear();
    trim(lines_);
    return change;
}

void TrafficHistory::clear() {
    lines_.clear();
    held_.clear();
}

QByteArray trafficText(const TrafficHistory &history, const std::array<QString, 2> &directions,
                       const std::function<QString(AnswerStatus)> &statusWord) {
    QByteArray out;
    for (qsizetype i = 0; i < history.size(); ++i) {
        const TrafficLine &line = history.at(i);
        QString text = QDateTime::fromMSecsSinceEpoch(line.wallMs)
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
                       QStringLiteral("  ") + directions[std::size_t(line.direction)] +
                       QStringLiteral("  ") + receivedHex(line.bytes).trimmed();
        if (line.status)
            text += QStringLiteral("  ") + statusWord(*line.status);
        out += text.toUtf8() + "\r\n";
    }
    return out;
}

} // namespace tr
