// tr6400-startup <parent stamp> <program dir>: the window's start-up as main() does it, timed
// from the parent's CLOCK_MONOTONIC stamp taken just before it spawned this process. Prints one
// line of "name=microseconds" milestones and the peak resident set, and ends as soon as the
// window has been exposed.
#include "app/frmmain.h"
#include "app/realdialogs.h"
#include "bench/procstats.h"
#include "modbus/clock.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

using tr::monotonicMicros;

namespace {

// A modal box would hang the run; what would have been said goes to standard error instead.
class ReportingMessages : public tr::MessageBox {
public:
    void show(const QString &text, const QString &caption, Icon) override {
        std::fprintf(stderr, "tr6400-startup: message \"%s\": %s\n", qPrintable(caption),
                     qPrintable(text));
        ++shown;
    }
    int shown = 0;
};

// Stamps the first expose of the platform window and the first paint of the window widget; once
// the expose has been handled (the repaint it causes included) the application quits.
class ExposeWatch : public QObject {
public:
    qint64 exposedAt = 0;
    qint64 paintedAt = 0;
    qint64 settledAt = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && paintedAt == 0)
            paintedAt = monotonicMicros();
        if (event->type() == QEvent::Expose && exposedAt == 0 && watched->isWindowType() &&
            static_cast<QWindow *>(watched)->isExposed()) {
            exposedAt = monotonicMicros();
            QMetaObject::invokeMethod(
                this,
                [this] {
                    settledAt = monotonicMicros();
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[]) {
    const qint64 enteredAt = monotonicMicros();
    if (argc != 3) {
        std::fprintf(stderr, "usage: tr6400-startup <parent stamp> <program dir>\n");
        return 2;
    }
    const qint64 parentAt = std::strtoll(argv[1], nullptr, 10);

    QApplication app(argc, argv);
    const qint64 appAt = monotonicMicros();
    ReportingMessages messages;
    tr::QtFileDialog files;
    tr::frmMain window(tr::ToolDirs::portable(QString::fromLocal8Bit(argv[2])), messages, files);
    files.setParent(&window);
    const qint64 builtAt = monotonicMicros();
    if (const auto failure = window.loadSettings()) {
        std::fprintf(stderr, "tr6400-startup: %s\n", qPrintable(*failure));
        return 1;
    }
    const qint64 loadedAt = monotonicMicros();

    ExposeWatch watch;
    // The platform window exists from here on, so the watch sees its first expose.
    window.winId();
    window.windowHandle()->installEventFilter(&watch);
    window.installEventFilter(&watch);
    window.show();
    QTimer::singleShot(10000, &app, [&] { app.exit(4); });
    const int code = app.exec();
    if (code != 0) {
        std::fprintf(stderr, "tr6400-startup: the window was not exposed within 10 s\n");
        return code;
    }

    const auto since = [&](qint64 at) { return static_cast<long long>(at - parentAt); };
    std::printf("entered=%lld app=%lld built=%lld loaded=%lld exposed=%lld painted=%lld "
                "settled=%lld hwm_kb=%lld port_open=%d\n",
                since(enteredAt), since(appAt), since(builtAt), since(loadedAt),
                since(watch.exposedAt), since(watch.paintedAt), since(watch.settledAt),
                static_cast<long long>(tr::bench::statusKb("VmHWM").value_or(-1)),
                window.port().PortOpen() ? 1 : 0);
    return messages.shown == 0 ? 0 : 3;
}
