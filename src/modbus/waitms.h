#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

namespace tr {

// The module's time to answer, waited without nesting an event loop: start() returns at once
// and elapsed() comes from the thread's own event loop no earlier than the time asked, measured
// on a monotonic 64-bit clock (no busy loop, no hang when a 32-bit tick counter wraps). Events go
// on meanwhile, and nothing they do (a modal dialog among them) can hold the wait up.
class WaitMs : public QObject {
    Q_OBJECT
public:
    explicit WaitMs(QObject *parent = nullptr);

    // Starts the wait again from now.
    void start(int ms);
    bool running() const { return running_; }

signals:
    void elapsed();

private:
    void check();

    QTimer timer_;
    std::chrono::steady_clock::time_point deadline_;
    bool running_ = false;
};

} // namespace tr
