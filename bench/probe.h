#pragma once

#include <QByteArray>
#include <QObject>
#include <vector>

namespace tr {
class frmMain;
struct DecodedAnswer;
} // namespace tr

namespace tr::bench {

// One measurement read as the window saw it; stamps in CLOCK_MONOTONIC microseconds, 0 when the
// step did not happen.
struct Transaction {
    int phase = 0;
    qint64 sentAt = 0;     // Link::frameSent: the request handed to the port
    qint64 receivedAt = 0; // the answer taken off the port (its hex text emitted)
    qint64 decodedAt = 0;  // measurementDecoded handled: the panel has written the boxes
    qint64 boxAt = 0;      // the last value box text change of this answer (decodedAt if the
                           // values equal the previous ones and no text changed)
    qint64 paintAt = 0;    // the last value box's first paint event after that
    // Run-queue wait since the previous answer (read after this one was shown): this window's
    // thread and the simulator. -1 when unknown.
    qint64 ownRunDelay = -1;
    qint64 simRunDelay = -1;
    QByteArray request;
    QByteArray answer;
};

// Listens to the window's link and value boxes and stamps every step of every measurement read.
// Connected after the panels, so its measurementDecoded slot runs once the boxes are written.
class WindowProbe : public QObject {
public:
    // simPid: the simulator, whose scheduling delays are recorded too (0: not recorded).
    WindowProbe(frmMain &window, qint64 simPid);

    // Transactions from now on carry this phase number.
    void setPhase(int phase) { phase_ = phase; }

    std::vector<Transaction> transactions;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Transaction *current();

    // Stores the run-queue waits since the previous call in t (when given).
    void readRunDelays(Transaction *t);

    frmMain &window_;
    QObject *lastBox_ = nullptr;
    QString simSchedstat_;
    int phase_ = 0;
    qint64 lastTextAt_ = 0;
    qint64 ownDelay_ = -1;
    qint64 simDelay_ = -1;
};

} // namespace tr::bench
