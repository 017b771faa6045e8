// libmodbus, a Modbus implementation we did not write, as the module: it answers the real
// window through a socat pseudo-terminal pair, replying only to a request whose framing and CRC
// it accepts, and the window only shows an answer whose CRC it accepts. (As a master, libmodbus
// reads the simulator in tst_interop_mbpoll.)
#include "support/livewindow.h"
#include "support/wirelog.h"

#include <modbus.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

using namespace tr;
using namespace tr::test;

namespace {

// Two pseudo-terminals joined by socat: what is written to one comes out of the other.
class SocatPair {
public:
    ~SocatPair() { stop(); }

    bool start(const QString &a, const QString &b) {
        const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
        if (socat.isEmpty())
            return false;
        process_.start(socat, {QStringLiteral("pty,raw,echo=0,link=") + a,
                               QStringLiteral("pty,raw,echo=0,link=") + b});
        if (!process_.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(5000);
        while (!(QFileInfo::exists(a) && QFileInfo::exists(b))) {
            if (deadline.hasExpired() || process_.state() != QProcess::Running)
                return false;
            QTest::qWait(10);
        }
        return true;
    }
    void stop() {
        process_.terminate();
        if (!process_.waitForFinished(2000))
            process_.kill();
    }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    QProcess process_;
};

// A libmodbus RTU slave serving a register map from its own thread.
class LibmodbusSlave {
public:
    LibmodbusSlave(int holding, int input) : map_(modbus_mapping_new(0, 0, holding, input)) {}
    ~LibmodbusSlave() {
        stop();
        modbus_mapping_free(map_);
    }

    modbus_mapping_t *map() { return map_; }

    QString start(const QString &device, int station) {
        ctx_ = modbus_new_rtu(device.toLocal8Bit().constData(), 19200, 'N', 8, 1);
        if (!ctx_)
            return QStringLiteral("modbus_new_rtu: ") +
                   QString::fromLocal8Bit(modbus_strerror(errno));
        modbus_set_slave(ctx_, station);
        if (modbus_connect(ctx_) != 0)
            return QStringLiteral("modbus_connect: ") +
                   QString::fromLocal8Bit(modbus_strerror(errno));
        // Wakes now and then to see whether the test is over.
        modbus_set_indication_timeout(ctx_, 0, 100000);
        thread_ = std::thread([this] { serve(); });
        return QString();
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (ctx_) {
            modbus_close(ctx_);
            modbus_free(ctx_);
            ctx_ = nullptr;
        }
    }

    QList<QByteArray> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void serve() {
        std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop_) {
            const int n = modbus_receive(ctx_, request);
            // A request with a bad frame or CRC is refused (n < 0) and never recorded.
            if (n > 0) {
                {
                    std::lock_guard lock(mutex_);
                    requests_ << QByteArray(reinterpret_cast<const char *>(request), n);
                }
                modbus_reply(ctx_, request, n, map_);
            }
        }
    }

    modbus_mapping_t *map_;
    modbus_t *ctx_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    QList<QByteArray> requests_;
};

// The slave's registers: 16 holding registers (fc 3), 16 input registers (fc 4).
constexpr int kHolding = 16;
constexpr int kInput = 16;
const std::vector<std::uint16_t> kInputRegisters{235,   0xFF9C, 0, 0xFFFF, 40000,
                                                 40001, 0x8000, 1, 1,      55};
const std::vector<std::uint16_t> kHoldingRegisters{1001,   0xFFFE, 0xFFFF, 250,
                                                   0x7FFF, 0xF830, 8500,   12};
} // namespace

class TstInteropLibmodbus : public QObject {
    Q_OBJECT

    std::unique_ptr<LiveWindow> window_;
    std::unique_ptr<SocatPair> socat_;
    std::unique_ptr<LibmodbusSlave> slave_;

private slots:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(),
                 "socat is not installed (Debian package socat)");
        window_ = std::make_unique<LiveWindow>();
        const QString module = window_->path(QStringLiteral("module"));
        socat_ = std::make_unique<SocatPair>();
        QVERIFY2(socat_->start(module, window_->comPort()), qPrintable(socat_->errors()));

        slave_ = std::make_unique<LibmodbusSlave>(kHolding, kInput);
        QVERIFY(slave_->map());
        std::copy(kInputRegisters.begin(), kInputRegisters.end(),
                  slave_->map()->tab_input_registers);
        std::copy(kHoldingRegisters.begin(), kHoldingRegisters.end(), slave_->map()->tab_registers);
        QCOMPARE(slave_->start(module, 2), QString());
        QVERIFY(window_->open());
    }

    void cleanupTestCase() {
        window_.reset();
        if (slave_)
            slave_->stop();
        socat_.reset();
        slave_.reset();
    }

    void windowReadsLibmodbusSlave_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("boxes"); // "-": not written by the answer
        QTest::addColumn<QString>("line");      // null: txtOutPut keeps its text
        QTest::addColumn<int>("lamp");

        const int green = int(Lamp::Connected);
        const int yellow = int(Lamp::Yellow);
        QTest::newRow("fc4 registers 0-7")
            << 4 << 0 << 8
            << QStringList{"23.50", "-10.00", "0.00", "0", "4000.00", "-2553.50", "3276.80", "0.10"}
            << "1#:23.50 2#:-10.00 3#:0.00 5#:4000.00 6#:-2553.50 7#:3276.80 8#:0.10 " << green;
        QTest::newRow("fc3 registers 0-7")
            << 3 << 0 << 8
            << QStringList{"100.10", "-0.20", "0", "25.00", "3276.70", "-200.00", "850.00", "1.20"}
            << "1#:100.10 2#:-0.20 4#:25.00 5#:3276.70 6#:-200.00 7#:850.00 8#:1.20 " << green;
        QTest::newRow("fc3 past the map: exception 02")
            << 3 << 10 << 8 << QStringList(8, "-") << QString() << yellow;
    }
    void windowReadsLibmodbusSlave() {
        QFETCH(int, function);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QStringList, boxes);
        QFETCH(QString, line);
        QFETCH(int, lamp);

        LiveWindow &w = *window_;
        w.setRequest(QStringLiteral("2"), QString::number(function), QString::number(start),
                     QString::number(count));
        w.fillBoxes(QStringLiteral("-"));
        w.ui().txtOutPut->setText(QStringLiteral("before"));
        const qsizetype heard = slave_->requests().size();
        w.acquireOnce();

        QCOMPARE(w.values(), boxes);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(w.colour(k), boxes[k] == "-" ? QColor(Qt::red) : QColor(Qt::black));
        QCOMPARE(w.ui().txtOutPut->text(), line.isNull() ? QStringLiteral("before") : line);
        QCOMPARE(int(w.lamp()), lamp);
        QVERIFY(w.messages.shown.isEmpty());

        // libmodbus accepted our frame: the request it took is the one the window shows.
        const QList<QByteArray> requests = slave_->requests();
        QCOMPARE(requests.size(), heard + 1);
        QCOMPARE(receivedHex(requests.last()).mid(1) + ' ', w.ui().txtCommand->text());
        if (lamp == int(Lamp::Connected)) {
            const QStringList answer =
                w.ui().txtState->toPlainText().split(' ', Qt::SkipEmptyParts);
            QCOMPARE(answer.size(), 2 * count + 5);
            QCOMPARE(answer[0].toInt(nullptr, 16), 2);
            QCOMPARE(answer[1].toInt(nullptr, 16), function);
            QCOMPARE(answer[2].toInt(nullptr, 16), 2 * count);
        } else {
            QCOMPARE(w.ui().txtState->toPlainText(), QString());
        }
    }
};

QTEST_MAIN(TstInteropLibmodbus)
#include "tst_interop_libmodbus.moc"
