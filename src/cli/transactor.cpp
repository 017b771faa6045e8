#include "cli/transactor.h"

#include "cli/answercheck.h"
#include "modbus/hextext.h"
#include "serial/linesettings.h"

#include <algorithm>

namespace tr::cli {

using namespace std::chrono;

Transactor::Transactor(LinkSettings settings, Trace trace)
    : settings_(settings), trace_(std::move(trace)) {}

QString openFailureText(const OpenFailure &failure) {
    switch (failure.kind) {
    case OpenFailure::Kind::Permission:
        return failure.systemText +
               QStringLiteral(" (no permission: add your user to the dialout group, e.g. sudo "
                              "usermod -aG dialout $USER, then log in again)");
    case OpenFailure::Kind::Busy:
        return failure.systemText + QStringLiteral(" (another program holds the port)");
    case OpenFailure::Kind::Absent:
    case OpenFailure::Kind::Other:
        break;
    }
    return failure.systemText;
}

std::optional<QString> Transactor::open(const QString &device) {
    device_ = device;
    if (!openDevice())
        return openFailureText(openFailureOf(port_, device_));
    return std::nullopt;
}

bool Transactor::openDevice() {
    port_.setPortName(device_);
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    LineSettings line;
    line.baud = settings_.baud;
    applyLineSettings(port_, line);
    return true;
}

bool Transactor::setBaud(int baud) {
    settings_.baud = baud;
    const bool ok = port_.setBaudRate(baud);
    // Bytes from the old rate would meet the first request at the new one.
    port_.clear(QSerialPort::Input);
    return ok;
}

bool Transactor::lostOn(QSerialPort::SerialPortError error) {
    if (!loss_.closeIfLost(port_, error))
        return false;
    if (trace_)
        trace_(QStringLiteral("   %1 went away").arg(device_));
    return true;
}

int Transactor::waitMs(SteadyClock::time_point until) const {
    const auto left = until - SteadyClock::now();
    if (left <= SteadyClock::duration::zero())
        return 0;
    // Round up, so the wait never ends a fraction of a millisecond before the deadline.
    return static_cast<int>(std::min<long long>(ceil<milliseconds>(left).count(), 1 << 30));
}

Exchange Transactor::exchange(const Frame &request, SteadyClock::time_point notAfter) {
    const Expectation expect = expectedAnswer(request);
    Exchange out;
    if (loss_.lost()) {
        // One open attempt per exchange: while the device is away that is all it costs.
        if (!resume_ || !loss_.reopen([this] { return openDevice(); })) {
            out.disconnected = true;
            return out;
        }
        if (trace_)
            trace_(QStringLiteral("   %1 is back").arg(device_));
    }
    for (int i = 0; i <= settings_.retries; ++i) {
        if (i > 0 && SteadyClock::now() >= notAfter)
            break;
        ++out.attempts;
        out.check = attempt(request, expect, notAfter, out);
        if (loss_.lost() || !worthRetrying(out.check))
            break;
        if (out.check.status == AnswerStatus::Crc)
            waitForSilence(notAfter);
    }
    out.disconnected = loss_.lost();
    return out;
}

SteadyClock::duration Transactor::quietTime() const {
    // 3.5 characters end a frame (1.8 ms at 19200 baud); a pseudo-terminal's scheduling needs
    // more slack than the wire, so the line must stay quiet for at least 20 ms.
    const auto charTime = microseconds(10'000'000LL * 35 / 10 / std::max(settings_.baud, 1));
    return std::max<SteadyClock::duration>(charTime, milliseconds(20));
}

bool Transactor::dropBuffered() {
    port_.waitForReadyRead(0); // what the driver holds, into the port's buffer
    const bool any = !port_.readAll().isEmpty();
    port_.clear(QSerialPort::Input);
    port_.clearError();
    return any && owed();
}

void Transactor::awaitLateAnswer(const Frame &request, SteadyClock::time_point notAfter,
                                 Exchange &out) {
    if (!owed() || toBytes(request) != owedRequest_)
        return;
    // Never so long that the request itself would lose its full timeout.
    const auto until = std::min(owedUntil_, notAfter - milliseconds(settings_.timeoutMs));
    QByteArray got;
    for (;;) {
        const auto quietUntil =
            got.isEmpty() ? until : std::min(until, SteadyClock::now() + quietTime());
        const int ms = waitMs(quietUntil);
        if (ms == 0 || !port_.waitForReadyRead(ms))
            break;
        got += port_.readAll();
    }
    port_.clearError();
    if (!got.isEmpty()) {
        ++out.late;
        owedUntil_ = {};
        if (trace_)
            trace_(QStringLiteral("<-%1  late, thrown away").arg(receivedHex(got)));
    }
}

Judgement Transactor::attempt(const Frame &request, const Expectation &expect,
                              SteadyClock::time_point notAfter, Exchange &out) {
    awaitLateAnswer(request, notAfter, out);
    // Whatever is buffered belongs to no request of ours (a late or broken answer).
    if (dropBuffered()) {
        ++out.late;
        owedUntil_ = {};
    }

    const QByteArray bytes = toBytes(request);
    if (trace_)
        trace_(QStringLiteral("-> ") + sendText(request));
    if (port_.write(bytes) != bytes.size() || !port_.waitForBytesWritten(settings_.timeoutMs)) {
        if (trace_)
            trace_(QStringLiteral("   write failed: ") + port_.errorString());
        lostOn(port_.error());
        out.answer.clear();
        return {};
    }

    const auto written = SteadyClock::now();
    const auto deadline = std::min(written + milliseconds(settings_.timeoutMs), notAfter);
    QByteArray got;
    std::optional<SteadyClock::time_point> complete; // before a look for a second answer
    for (;;) {
        const int target = answerTarget(got, expect);
        if (got.size() >= target) {
            complete = SteadyClock::now();
            if (!owed() || !isLateAnswer(request, expect, got, deadline))
                break;
            // The answer to the request that timed out: this one's may follow.
            if (trace_)
                trace_(
                    QStringLiteral("<-%1  late, thrown away").arg(receivedHex(got.left(target))));
            got.remove(0, target);
            ++out.late;
            owedUntil_ = {};
            continue;
        }
        // At the deadline bytes that are already there still count: the program may have been
        // held up while the answer came in time. Only then does a wait of 0 give up.
        const int ms = waitMs(deadline);
        if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(ms)) {
            const QSerialPort::SerialPortError error = port_.error();
            port_.clearError();
            // A device that went away fails at once; waiting on would only spin. (On Windows it
            // may only time out; lostOn() asks the driver.)
            const bool lost = lostOn(error);
            if (ms == 0 || lost ||
                (error != QSerialPort::NoError && error != QSerialPort::TimeoutError))
                break;
            continue;
        }
        got += port_.read(target - got.size());
    }
    out.lastDuration = duration_cast<microseconds>(complete.value_or(SteadyClock::now()) - written);
    out.answer = got;

    const Judgement check = judgeAnswer(request, expect, got);
    if (check.status == AnswerStatus::NoAnswer) {
        owedRequest_ = bytes;
        owedUntil_ = SteadyClock::now() + milliseconds(settings_.timeoutMs);
    }
    if (trace_)
        trace_(QStringLiteral("<-%1  %2 ms %3")
                   .arg(receivedHex(got))
                   .arg(double(out.lastDuration.count()) / 1000.0, 0, 'f', 2)
                   .arg(statusText(check)));
    return check;
}

bool Transactor::isLateAnswer(const Frame &request, const Expectation &expect,
                              const QByteArray &frame, SteadyClock::time_point deadline) {
    if (answersAnotherRequest(request, expect, frame))
        return true;
    // A module answers one request at a time: a frame followed at once by another is the earlier.
    const auto until = std::min(SteadyClock::now() + quietTime(), deadline);
    const bool more = port_.bytesAvailable() > 0 || port_.waitForReadyRead(waitMs(until));
    port_.clearError();
    return more;
}

void Transactor::waitForSilence(SteadyClock::time_point notAfter) {
    const auto quiet = quietTime();
    const auto giveUp = std::min(SteadyClock::now() + milliseconds(settings_.timeoutMs), notAfter);
    for (;;) {
        const auto until = std::min(SteadyClock::now() + quiet, giveUp);
        const int ms = waitMs(until);
        if (ms == 0 || !port_.waitForReadyRead(ms))
            break;
        port_.readAll();
    }
    port_.clearError();
}

} // namespace tr::cli
