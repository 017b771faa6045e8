#pragma once

#include "modbus/answer.h"
#include "modbus/decode.h"
#include "modbus/frame.h"
#include "modbus/waitms.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

namespace tr {

class MSComm;

enum class Lamp { Connected, Yellow, NotConnected };

// The one road to and from the module: requests record what answer they expect in the
// pending-answer slot and write their frame; onReceive takes every answer off the port,
// shows it as hex, decodes it by the slot and reports typed results. Panels apply the results
// to their widgets; nothing here touches a widget.
class Link : public QObject {
    Q_OBJECT
public:
    explicit Link(MSComm &port, QObject *parent = nullptr);

    MSComm &port() { return port_; }

    // False until start-up has finished; the port handlers set it true after every open attempt.
    bool CommReady() const { return CommReady_; }
    void setCommReady(bool ready) { CommReady_ = ready; }

    // The module's time to answer a measurement read before the leftovers are dropped.
    static constexpr int kReadWaitMs = 200;

    // Sends one measurement read and returns; kReadWaitMs later, whatever is still buffered is
    // dropped and readEnded() follows. The wait nests no event loop, so a dialog opened meanwhile
    // cannot hold it up. Returns false, having done nothing at all, while an earlier read waits.
    bool readMeasurement(std::uint8_t station, std::uint8_t function, std::uint8_t start,
                         std::uint8_t count);
    bool reading() const { return readWait_.running(); }

    // A calibration request (read, write slope, write offset): clears the answer text, marks the
    // values stale, sets the slot (kind, 8 bytes), shows and writes the frame when the port is
    // open. Does not wait.
    void sendParameterRequest(const Frame &frame, AnswerKind kind);

    // A receive event: takes the answer off the port, shows it, decodes it by the slot.
    void onReceive();

    // Every request first gives a lost device (not one the operator closed) one chance to come
    // back; while it stays away the request behaves as on a closed port.
    void reopenIfLost();

signals:
    void stateText(const QString &text);   // txtState
    void commandText(const QString &text); // txtCommand
    void valuesStale();                    // the eight value boxes turn red
    void lampRaised(tr::Lamp lamp);
    void measurementDecoded(const tr::DecodedAnswer &answer);
    // Kind 18: slope and offset when the function code was 0x42; a result line follows either way.
    void parametersRead(std::optional<std::uint16_t> slope, std::optional<std::uint16_t> offset);
    void parameterEchoed(tr::AnswerKind kind, std::uint16_t value);
    // A request went out on the wire (the bytes as written).
    void frameSent(const QByteArray &bytes);
    // A measurement read's wait is over and its leftovers are dropped: the line is free.
    void readEnded();

    // What the line did, for the monitor; emitted after the window's own work, and nothing
    // connected to them changes what the link does. Times are monotonicMicros().
    // A request written, with the kind of answer it expects.
    void requestObserved(const QByteArray &bytes, tr::AnswerKind kind, std::int64_t atMicros);
    // Bytes a receive event took off the port as the answer (taken), or bytes dropped unread:
    // what was left at the end of the read wait or at the start of the next read, and what
    // followed an answer. Judged against the request they came after.
    void answerObserved(const QByteArray &bytes, const tr::Judgement &judgement, bool taken,
                        std::int64_t atMicros);

private:
    // The pending-answer slot takes the request: what it expects back and how long that is.
    void expect(const Frame &request, AnswerKind kind);
    Judgement judge(const QByteArray &bytes) const { return judgeAnswer(request_, expect_, bytes); }
    // Empties the receive buffer, telling the monitor what was in it.
    void dropBuffered();
    void endRead();

    MSComm &port_;
    // The pending-answer slot: the last request, the kind of answer and the length it expects.
    Frame request_{};
    AnswerKind kind_ = AnswerKind::None;
    Expectation expect_;
    bool CommReady_ = false;
    WaitMs readWait_;
};

} // namespace tr
