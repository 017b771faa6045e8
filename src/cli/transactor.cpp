#include "cli/transactor.h"

#include "modbus/hextext.h"
#include "serial/linesettings.h"

#include <algorithm>

namespace tr::cli {

using namespace std::chrono;

Transactor::Transactor(LinkSettings settings, Trace trace)
    : settings_(settings), trace_(std::move(trace)) {}

std::optional<QString> Transactor::open(const QString &device) {
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite))
        return port_.errorString();
    LineSettings line;
    line.baud = settings_.baud;
    applyLineSettings(port_, line);
    return std::nullopt;
}

int Transactor::waitMs(SteadyClock::time_point until) const {
    const auto left = until - SteadyClock::now();
    if (left <= SteadyClock::duration::zero())
        return 0;
    // Round up, so the wait never ends a fraction of a millisecond before the deadline.
    return static_cast<int>(std::min<long long>(ceil<milliseconds>(left).count(), 1 << 30));
}

Exchange Transactor::exchange(const Frame &request, const Expectation &expect,
                              SteadyClock::time_point notAfter) {
    Exchange out;
    for (int i = 0; i <= settings_.retries; ++i) {
        if (i > 0 && SteadyClock::now() >= notAfter)
            break;
        ++out.attempts;
        out.check = attempt(request, expect, notAfter, out);
        if (!worthRetrying(out.check))
            break;
        if (out.check.status == AnswerStatus::Crc)
            waitForSilence(notAfter);
    }
    return out;
}

AnswerCheck Transactor::attempt(const Frame &request, const Expectation &expect,
                                SteadyClock::time_point notAfter, Exchange &out) {
    // Whatever is buffered belongs to no request of ours (a late or broken answer).
    port_.clear(QSerialPort::Input);
    port_.readAll();

    const QByteArray bytes = toBytes(request);
    if (trace_)
        trace_(QStringLiteral("-> ") + sendText(request));
    if (port_.write(bytes) != bytes.size() || !port_.waitForBytesWritten(settings_.timeoutMs)) {
        if (trace_)
            trace_(QStringLiteral("   write failed: ") + port_.errorString());
        out.answer.clear();
        return {};
    }

    const auto written = SteadyClock::now();
    const auto deadline = std::min(written + milliseconds(settings_.timeoutMs), notAfter);
    QByteArray got;
    for (;;) {
        const int target = answerTarget(got, expect);
        if (got.size() >= target)
            break;
        // At the deadline bytes that are already there still count: the program may have been
        // held up while the answer came in time. Only then does a wait of 0 give up.
        const int ms = waitMs(deadline);
        if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(ms)) {
            const QSerialPort::SerialPortError error = port_.error();
            port_.clearError();
            // A device that went away fails at once; waiting on would only spin.
            if (ms == 0 || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError))
                break;
            continue;
        }
        got += port_.read(target - got.size());
    }
    out.lastDuration = duration_cast<microseconds>(SteadyClock::now() - written);
    out.answer = got;

    const AnswerCheck check = checkAnswer(request, expect, got);
    if (trace_)
        trace_(QStringLiteral("<-%1  %2 ms %3")
                   .arg(receivedHex(got))
                   .arg(double(out.lastDuration.count()) / 1000.0, 0, 'f', 2)
                   .arg(statusText(check)));
    return check;
}

void Transactor::waitForSilence(SteadyClock::time_point notAfter) {
    // 3.5 characters end a frame (1.8 ms at 19200 baud); a pseudo-terminal's scheduling needs
    // more slack than the wire, so the line must stay quiet for at least 20 ms.
    const auto charTime = microseconds(10'000'000LL * 35 / 10 / std::max(settings_.baud, 1));
    const auto quiet = std::max<SteadyClock::duration>(charTime, milliseconds(20));
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
