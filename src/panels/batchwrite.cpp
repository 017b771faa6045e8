#include "panels/batchwrite.h"

#include "serial/link.h"
#include "serial/mscomm.h"

#include <algorithm>
#include <cmath>

namespace tr {

BatchWrite::BatchWrite(Link &link, QObject *parent) : QObject(parent), link_(link) {
    answerTimer_.setSingleShot(true);
    answerTimer_.setInterval(kAnswerTimeoutMs);
    gapTimer_.setSingleShot(true);
    gapTimer_.setTimerType(Qt::PreciseTimer);
    connect(&answerTimer_, &QTimer::timeout, this, [this] { stop(Failure::NoAnswer); });
    connect(&gapTimer_, &QTimer::timeout, this, &BatchWrite::sendNext);
    connect(&link_.port(), &MSComm::deviceLost, this, [this] {
        if (running_)
            stop(Failure::PortClosed);
    });
}

void BatchWrite::start(std::uint8_t station, const std::vector<ExportEntry> &entries, int delayMs) {
    QObject::disconnect(afterRead_);
    plan_ = restorePlan(station, entries);
    at_ = 0;
    done_.clear();
    running_ = !plan_.empty();
    if (!running_) {
        emit finished(Outcome{});
        return;
    }
    if (delayMs > 0)
        gapTimer_.start(delayMs);
    else
        sendNext();
}

int BatchWrite::gapMs() const {
    // Modbus wants 3.5 characters of silence between frames: the module has just answered.
    const int baud = link_.port().Settings().section(QLatin1Char(','), 0, 0).toInt();
    if (baud <= 0)
        return 2;
    return std::max(2, static_cast<int>(std::ceil(3.5 * 11 * 1000.0 / baud)));
}

void BatchWrite::sendNext() {
    if (!running_)
        return;
    // A measurement read still waiting would take this request's answer as its own, or drop
    // what of it had come when its wait ends.
    if (link_.reading()) {
        afterRead_ = connect(&link_, &Link::readEnded, this, &BatchWrite::sendNext,
                             Qt::SingleShotConnection);
        return;
    }
    const RestoreStep &step = plan_[at_];
    emit sending();
    link_.sendParameterRequest(step.frame, step.answerKind());
    if (!link_.port().PortOpen()) {
        stop(Failure::PortClosed);
        return;
    }
    answerTimer_.start();
}

void BatchWrite::echoed(AnswerKind kind, std::uint16_t value) {
    if (!running_ || !answerTimer_.isActive() || kind != plan_[at_].answerKind())
        return;
    judge(verifyEcho(plan_[at_], value));
}

void BatchWrite::readBack(std::optional<std::uint16_t> slope, std::optional<std::uint16_t> offset) {
    if (!running_ || !answerTimer_.isActive() || plan_[at_].kind != RestoreStep::Kind::ReadBack)
        return;
    judge(verifyReadBack(plan_[at_], slope, offset));
}

void BatchWrite::judge(const StepVerdict &verdict) {
    answerTimer_.stop();
    if (!verdict.ok()) {
        stop(Failure::WrongAnswer, verdict);
        return;
    }
    if (plan_[at_].endsChannel()) {
        done_.push_back(plan_[at_].entry);
        emit channelDone(plan_[at_].entry);
    }
    if (++at_ == plan_.size()) {
        running_ = false;
        emit finished(Outcome{Failure::None, {}, {}, done_, {}});
        return;
    }
    // The next request leaves after the link has finished with this answer.
    gapTimer_.start(gapMs());
}

void BatchWrite::stop(Failure failure, const StepVerdict &verdict) {
    // The device may vanish while a request is written: the loss stops the batch, and the
    // request's own check of the port must not stop it again.
    if (!running_)
        return;
    QObject::disconnect(afterRead_);
    answerTimer_.stop();
    gapTimer_.stop();
    running_ = false;
    Outcome out{failure, plan_[at_], verdict, done_, {}};
    for (std::size_t i = at_; i < plan_.size(); ++i)
        if (plan_[i].kind == RestoreStep::Kind::WriteSlope || i == at_)
            out.notDone.push_back(plan_[i].entry);
    emit finished(out);
}

} // namespace tr
