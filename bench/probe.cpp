#include "bench/probe.h"

#include "app/frmmain.h"
#include "bench/procstats.h"
#include "modbus/clock.h"
#include "support/windowcontrols.h"

#include <QEvent>
#include <QLineEdit>

namespace tr::bench {

namespace {

// " 02 04 10 ...", the answer as the window shows it, back to bytes.
QByteArray bytesOfHexText(const QString &text) {
    return QByteArray::fromHex(text.toLatin1());
}

} // namespace

WindowProbe::WindowProbe(frmMain &window, qint64 simPid)
    : window_(window),
      simSchedstat_(simPid > 0 ? QStringLiteral("/proc/%1/schedstat").arg(simPid) : QString()) {
    Link &link = window.link();
    connect(&link, &Link::frameSent, this, [this](const QByteArray &bytes) {
        Transaction t;
        t.phase = phase_;
        t.sentAt = monotonicMicros();
        t.request = bytes;
        transactions.push_back(t);
        lastTextAt_ = 0;
    });
    connect(&link, &Link::stateText, this, [this](const QString &text) {
        Transaction *t = current();
        if (text.isEmpty() || !t || t->receivedAt != 0)
            return;
        t->receivedAt = monotonicMicros();
        t->answer = bytesOfHexText(text);
    });
    const test::WindowControls ui(window);
    for (QLineEdit *box : ui.txtValue)
        connect(box, &QLineEdit::textChanged, this, [this] { lastTextAt_ = monotonicMicros(); });
    connect(&link, &Link::measurementDecoded, this, [this] {
        const qint64 now = monotonicMicros();
        Transaction *t = current();
        if (!t || t->decodedAt != 0)
            return;
        t->decodedAt = now;
        t->boxAt = lastTextAt_ != 0 ? lastTextAt_ : now;
        // After the stamps, so that reading /proc does not lengthen what is measured.
        readRunDelays(t);
    });
    readRunDelays(nullptr);
    lastBox_ = ui.txtValue.back();
    lastBox_->installEventFilter(this);
}

void WindowProbe::readRunDelays(Transaction *t) {
    const qint64 own = runDelayMicros(QStringLiteral("/proc/thread-self/schedstat")).value_or(-1);
    const qint64 sim = simSchedstat_.isEmpty() ? -1 : runDelayMicros(simSchedstat_).value_or(-1);
    if (t) {
        t->ownRunDelay = own >= 0 && ownDelay_ >= 0 ? own - ownDelay_ : -1;
        t->simRunDelay = sim >= 0 && simDelay_ >= 0 ? sim - simDelay_ : -1;
    }
    ownDelay_ = own;
    simDelay_ = sim;
}

Transaction *WindowProbe::current() {
    return transactions.empty() ? nullptr : &transactions.back();
}

bool WindowProbe::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Paint && watched == lastBox_) {
        Transaction *t = current();
        if (t && t->boxAt != 0 && t->paintAt == 0)
            t->paintAt = monotonicMicros();
    }
    return false;
}

} // namespace tr::bench
