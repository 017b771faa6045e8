#pragma once

#include "domain/restoreplan.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <vector>

namespace tr {

class Link;

// "批量定入" on the wire: the restore plan of a list, one request at a time through the link's
// calibration path, each answer awaited before the next request leaves. Driven by the link's
// answers and a timer, never by a nested wait, so the window stays live. Stops at the first
// request that fails; what was written before stays written.
class BatchWrite : public QObject {
    Q_OBJECT
public:
    // The module answers within 200 ms.
    static constexpr int kAnswerTimeoutMs = 1000;

    enum class Failure { None, NoAnswer, PortClosed, WrongAnswer };
    struct Outcome {
        Failure failure = Failure::None;
        RestoreStep step;              // the request that failed
        StepVerdict verdict;           // with WrongAnswer
        std::vector<ExportEntry> done; // channels written and read back, as read back
        std::vector<ExportEntry> notDone;
    };

    explicit BatchWrite(Link &link, QObject *parent = nullptr);

    bool running() const { return running_; }
    // The first request leaves after `delayMs`, e.g. once an answer still under way is in, and
    // not before a measurement read has finished waiting. The batch ends with exactly one
    // finished(), also when it cannot begin.
    void start(std::uint8_t station, const std::vector<ExportEntry> &entries, int delayMs = 0);

    // The link's answers, passed on by the panel while a batch runs.
    void echoed(AnswerKind kind, std::uint16_t value);
    void readBack(std::optional<std::uint16_t> slope, std::optional<std::uint16_t> offset);

signals:
    void sending(); // before every request, as a single write
    void channelDone(const tr::ExportEntry &readBack);
    void finished(const tr::BatchWrite::Outcome &outcome);

private:
    void sendNext();
    void judge(const StepVerdict &verdict);
    void stop(Failure failure, const StepVerdict &verdict = {});
    int gapMs() const;

    Link &link_;
    std::vector<RestoreStep> plan_;
    std::size_t at_ = 0;
    std::vector<ExportEntry> done_;
    QTimer answerTimer_;
    QTimer gapTimer_;
    QMetaObject::Connection afterRead_; // the first request waits for a measurement read's end
    bool running_ = false;
};

} // namespace tr
