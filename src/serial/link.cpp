#include "serial/link.h"

#include "modbus/hextext.h"
#include "modbus/waitms.h"
#include "serial/mscomm.h"

namespace tr {

Link::Link(MSComm &port, QObject *parent) : QObject(parent), port_(port) {
    connect(&port_, &MSComm::OnComm, this, &Link::MSComm1_OnComm);
    // Nothing can answer any more: the red lamp, not the green one of the last answer.
    connect(&port_, &MSComm::deviceLost, this, [this] { emit lampRaised(Lamp::NotConnected); });
}

bool Link::ReadModule(std::uint8_t StationAddr, std::uint8_t FunctionCode, std::uint8_t StartAddr,
                      std::uint8_t DataLength) {
    if (reading_)
        return false;
    reading_ = true;

    SendText.clear();
    emit stateText(QString());
    emit valuesStale();
    if (!port_.PortOpen()) {
        reading_ = false;
        return true;
    }
    port_.setInputLen(0);
    emit lampRaised(Lamp::Yellow);
    port_.clearInBuffer();
    port_.setInputMode(1);
    const Frame frame = measurementRequest(StationAddr, FunctionCode, StartAddr, DataLength);
    ExpectedLen = static_cast<std::int16_t>(measurementAnswerLength(DataLength));
    port_.setRThreshold(ExpectedLen);
    ReceiveKind = KindMeasurement;
    const QByteArray bytes = toBytes(frame);
    if (port_.Output(bytes))
        emit frameSent(bytes);
    SendText = sendText(frame);
    emit commandText(SendText);

    WaitMs(ReadWaitMs);

    // Whatever is still buffered (an answer cut by the end of the wait, stray bytes) is dropped.
    if (port_.InBufferCount() > 0)
        port_.Input();
    reading_ = false;
    return true;
}

void Link::sendParameterRequest(const Frame &frame, std::int16_t kind) {
    emit stateText(QString());
    emit valuesStale();
    ReceiveKind = kind;
    SendText.clear();
    port_.setInputMode(1);
    SendText = sendText(frame);
    port_.setRThreshold(8);
    ExpectedLen = 8;
    emit commandText(SendText);
    if (port_.PortOpen()) {
        emit lampRaised(Lamp::Connected);
        const QByteArray bytes = toBytes(frame);
        if (port_.Output(bytes))
            emit frameSent(bytes);
    } else {
        emit lampRaised(Lamp::NotConnected);
    }
}

void Link::MSComm1_OnComm() {
    if (port_.CommEvent() != MSComm::comEvReceive)
        return;
    port_.setInputLen(ExpectedLen);
    const QByteArray received = port_.Input();
    port_.clearInBuffer();
    emit stateText(receivedHex(received));

    const DecodedAnswer answer = decodeAnswer(ReceiveKind, ExpectedLen, received);
    if (answer.decoded()) {
        switch (ReceiveKind) {
        case KindMeasurement:
            emit measurementDecoded(answer);
            break;
        case KindSlopeWritten:
        case KindOffsetWritten:
            if (answer.echoedValue)
                emit parameterEchoed(ReceiveKind, *answer.echoedValue);
            break;
        case KindParametersRead:
            emit parametersRead(answer.slope, answer.offset);
            break;
        default:
            break;
        }
    }

    port_.setInputLen(0);
    port_.Input();
    // A corrupted or cut answer is no answer: the red lamp, not the green one.
    const bool refused = answer.status == DecodedAnswer::Status::BadCrc ||
                         answer.status == DecodedAnswer::Status::Incomplete;
    emit lampRaised(refused ? Lamp::NotConnected : Lamp::Connected);
}

} // namespace tr
