#include "serial/link.h"

#include "modbus/clock.h"
#include "modbus/hextext.h"
#include "serial/mscomm.h"

namespace tr {

Link::Link(MSComm &port, QObject *parent) : QObject(parent), port_(port) {
    connect(&port_, &MSComm::OnComm, this, &Link::onReceive);
    // Nothing can answer any more: the red lamp, not the green one of the last answer.
    connect(&port_, &MSComm::deviceLost, this, [this] { emit lampRaised(Lamp::NotConnected); });
    connect(&readWait_, &WaitMs::elapsed, this, &Link::endRead);
}

void Link::expect(const Frame &request, AnswerKind kind) {
    request_ = request;
    kind_ = kind;
    expect_ = expectedAnswer(request);
}

bool Link::readMeasurement(std::uint8_t station, std::uint8_t function, std::uint8_t start,
                           std::uint8_t count) {
    if (readWait_.running())
        return false;

    emit stateText(QString());
    emit valuesStale();
    reopenIfLost();
    if (!port_.PortOpen())
        return true;
    port_.setInputLen(0);
    emit lampRaised(Lamp::Yellow);
    dropBuffered();
    port_.flushInput(); // and what the port itself still holds
    const Frame frame = measurementRequest(station, function, start, count);
    expect(frame, AnswerKind::Measurement);
    port_.setRThreshold(expect_.length);
    const QByteArray bytes = toBytes(frame);
    // Stamped as the write starts: a stamp after it may trail the module's reading of the
    // request when this thread loses the CPU in between, and make the answer look quicker.
    const std::int64_t writtenAt = monotonicMicros();
    const bool written = port_.Output(bytes);
    if (written)
        emit frameSent(bytes);
    emit commandText(sendText(frame));
    if (written)
        emit requestObserved(bytes, kind_, writtenAt);

    readWait_.start(kReadWaitMs);
    return true;
}

void Link::endRead() {
    // Whatever is still buffered (an answer cut by the end of the wait, stray bytes) is dropped.
    if (port_.InBufferCount() > 0)
        dropBuffered();
    emit readEnded();
}

void Link::reopenIfLost() {
    // One attempt per request, no timer of its own: a port that is still absent costs one
    // failed open() per tick. A reopened port takes the open step of a port switch.
    if (port_.reopenAfterLoss())
        port_.setRThreshold(1);
}

void Link::sendParameterRequest(const Frame &frame, AnswerKind kind) {
    emit stateText(QString());
    emit valuesStale();
    reopenIfLost(); // before the slot's threshold, which the open step would reset
    expect(frame, kind);
    port_.setRThreshold(expect_.length);
    emit commandText(sendText(frame));
    if (port_.PortOpen()) {
        emit lampRaised(Lamp::Connected);
        const QByteArray bytes = toBytes(frame);
        const std::int64_t writtenAt = monotonicMicros(); // as the write starts, see above
        if (port_.Output(bytes)) {
            emit frameSent(bytes);
            emit requestObserved(bytes, kind, writtenAt);
        }
    } else {
        emit lampRaised(Lamp::NotConnected);
    }
}

void Link::onReceive() {
    if (port_.CommEvent() != MSComm::kComEvReceive)
        return;
    const std::int64_t receivedAt = monotonicMicros();
    port_.setInputLen(expect_.length);
    const QByteArray received = port_.Input();
    port_.setInputLen(0);
    const QByteArray extra = port_.Input();
    emit stateText(receivedHex(received));

    const std::optional<DecodedAnswer> answer = decodeAnswer(kind_, expect_.length, received);
    if (answer) {
        switch (kind_) {
        case AnswerKind::None:
            break;
        case AnswerKind::Measurement:
            emit measurementDecoded(*answer);
            break;
        case AnswerKind::SlopeWritten:
        case AnswerKind::OffsetWritten:
            if (answer->echoedValue)
                emit parameterEchoed(kind_, *answer->echoedValue);
            break;
        case AnswerKind::ParametersRead:
            emit parametersRead(answer->slope, answer->offset);
            break;
        }
    }

    port_.setInputLen(0);
    port_.Input();
    // A corrupted or cut answer is no answer, yet the port is open and the request went out:
    // yellow, as while an answer is awaited. Red is kept for a port that is closed.
    const bool refused = kind_ != AnswerKind::None && !answer;
    emit lampRaised(refused ? Lamp::Yellow : Lamp::Connected);

    emit answerObserved(received, judge(received), true, receivedAt);
    if (!extra.isEmpty())
        emit answerObserved(extra, judge(extra), false, receivedAt);
}

void Link::dropBuffered() {
    port_.setInputLen(0);
    const QByteArray dropped = port_.Input();
    if (!dropped.isEmpty())
        emit answerObserved(dropped, judge(dropped), false, monotonicMicros());
}

} // namespace tr
