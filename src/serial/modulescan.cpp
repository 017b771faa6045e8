#include "serial/modulescan.h"

#include "serial/link.h"
#include "serial/mscomm.h"

namespace tr {

namespace {
constexpr int kRegisters = 8;
} // namespace

ModuleScan::ModuleScan(Link &link, QObject *parent) : QObject(parent), link_(link) {
    retry_.setSingleShot(true);
    retry_.setInterval(Link::kReadWaitMs / 4);
    connect(&retry_, &QTimer::timeout, this, &ModuleScan::probeNext);
    connect(&link_, &Link::measurementDecoded, this, [this](const DecodedAnswer &answer) {
        if (probing_ && answer_)
            answer_->readings = answer.readings;
    });
    connect(&link_, &Link::answerObserved, this,
            [this](const QByteArray &bytes, const Judgement &judgement, bool, std::int64_t) {
                if (!probing_ || !answer_)
                    return;
                const AnswerStatus status = seenByWindow(judgement);
                if (status == AnswerStatus::Ok)
                    answer_->exceptionCode = 0;
                else if (status == AnswerStatus::Exception && bytes.size() >= 3 &&
                         answer_->readings.empty())
                    answer_->exceptionCode = static_cast<std::uint8_t>(bytes[2]);
            });
    connect(&link_, &Link::readEnded, this, &ModuleScan::probeEnded);
}

void ModuleScan::start(const QList<int> &bauds, std::uint8_t functionCode) {
    if (running())
        return;
    plan_.emplace(bauds, allStations());
    function_ = functionCode;
    settingsBefore_ = link_.port().Settings();
    cancelled_ = false;
    emit progress(0, plan_->probesTotal());
    probeNext();
}

void ModuleScan::probeNext() {
    if (!plan_ || probing_)
        return;
    if (cancelled_)
        return finish(End::Cancelled);
    while (!plan_->finished() && plan_->startsBaud()) {
        const QString settings = QString::number(plan_->current().baud) + QStringLiteral(",N,8,1");
        if (settings == link_.port().Settings() || link_.port().setSettings(settings))
            break;
        plan_->skipBaud();
    }
    if (plan_->finished())
        return finish(End::Done);
    link_.reopenIfLost();
    if (!link_.port().PortOpen())
        return finish(End::PortClosed);
    const ScanProbe probe = plan_->current();
    if (!link_.readMeasurement(static_cast<std::uint8_t>(probe.station), function_, 0,
                               kRegisters)) {
        retry_.start();
        return;
    }
    probing_ = true;
    answer_ = FoundModule{probe.station, probe.baud, {}, 0};
}

void ModuleScan::probeEnded() {
    if (!probing_)
        return;
    probing_ = false;
    // What was dropped at the end of the wait has been judged by now.
    if (answer_ && (!answer_->readings.empty() || answer_->exceptionCode != 0))
        emit found(*answer_);
    answer_.reset();
    plan_->advance();
    emit progress(plan_->probesDone(), plan_->probesTotal());
    // The next request leaves after the handler that ended this read has returned.
    QMetaObject::invokeMethod(this, &ModuleScan::probeNext, Qt::QueuedConnection);
}

void ModuleScan::finish(End end) {
    retry_.stop();
    plan_.reset();
    if (!settingsBefore_.isEmpty() && link_.port().Settings() != settingsBefore_)
        link_.port().setSettings(settingsBefore_);
    emit finished(end);
}

} // namespace tr
