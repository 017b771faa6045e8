#pragma once

#include "modbus/answer.h"
#include "modbus/frame.h"
#include "serial/portfailure.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace tr::cli {

using SteadyClock = std::chrono::steady_clock;

struct LinkSettings {
    int baud = 19200;
    int timeoutMs = 500; // per attempt, from the request written to the answer complete
    int retries = 2;     // further attempts after a timeout or a CRC error
};

struct Exchange {
    Judgement check;   // of the last attempt
    QByteArray answer; // what the last attempt received (the whole answer when ok)
    int attempts = 0;
    std::chrono::microseconds lastDuration{0}; // request written -> answer complete or given up
    // The device went away during the exchange, or was away and did not open again.
    bool disconnected = false;
    int late = 0; // answers to an earlier, timed-out request that were thrown away
};

// The master's side of one request at a time: unlike the window, it waits for the answer of its
// own request. A transaction ends at the expected length, at a 5-byte exception answer or at the
// timeout, whichever comes first. The waits sleep in poll() inside QSerialPort; nothing spins.
//
// An RTU answer names no request, so after a timeout the answer may still come and meet the next
// request. For up to one more --timeout-ms it is watched for: what is buffered before a request
// is thrown away, an answer from another station or function is not taken, one followed at once
// by a second answer is the earlier one, and the same request is not sent again until the late
// answer came or can no longer come (when a whole attempt still fits before `notAfter`).
class Transactor {
public:
    using Trace = std::function<void(const QString &)>;

    explicit Transactor(LinkSettings settings, Trace trace = {});

    // 8 data bits, no parity, 1 stop bit. Returns the reason when the device cannot be opened.
    std::optional<QString> open(const QString &device);

    // With resume on, a device that went away is opened again, once at the start of each later
    // exchange; until it is back every exchange ends at once as disconnected.
    void setResume(bool on) { resume_ = on; }
    // Another baud rate on the open port (a scan); false when the port refuses it.
    bool setBaud(int baud);

    // Sends `request` and waits for its answer, retrying on timeouts and CRC errors. No attempt
    // runs past `notAfter`, so a cyclic read never overruns its next sample.
    Exchange exchange(const Frame &request,
                      SteadyClock::time_point notAfter = SteadyClock::time_point::max());

private:
    Judgement attempt(const Frame &request, const Expectation &expect,
                      SteadyClock::time_point notAfter, Exchange &out);
    // After a bad answer the rest of it may still be on the wire; it must not meet the retry.
    void waitForSilence(SteadyClock::time_point notAfter);
    // Before a request that a late answer would fit: waits for that answer, throws it away.
    void awaitLateAnswer(const Frame &request, SteadyClock::time_point notAfter, Exchange &out);
    // Takes what is buffered off the line; true when any of it was an owed answer.
    bool dropBuffered();
    bool owed() const { return SteadyClock::now() < owedUntil_; }
    // With an answer owed: `frame` (complete) is that answer rather than this request's.
    bool isLateAnswer(const Frame &request, const Expectation &expect, const QByteArray &frame,
                      SteadyClock::time_point deadline);
    SteadyClock::duration quietTime() const;
    int waitMs(SteadyClock::time_point until) const;
    bool openDevice();
    // True, with the port closed, when `error` means the device is gone.
    bool lostOn(QSerialPort::SerialPortError error);

    LinkSettings settings_;
    Trace trace_;
    QSerialPort port_;
    QString device_;
    bool resume_ = false;
    DeviceLoss loss_;
    // The last request that timed out, and until when its answer may still come.
    QByteArray owedRequest_;
    SteadyClock::time_point owedUntil_{};
};

// The reason of a failed open in English, with the dialout hint where permissions are wanting.
QString openFailureText(const OpenFailure &failure);

} // namespace tr::cli
