// libmodbus, a Modbus implementation we did not write, at both ends of our code. As a slave it
// answers the real window through a socat pseudo-terminal pair: it only replies to a request
// whose framing and CRC it accepts, and the window only shows an answer whose CRC it accepts.
// As a master it reads the module simulator.
#include "e2e/livewindow.h"
#include "e2e/simlog.h"
#include "support/simulatorprocess.h"

#include <modbus.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

using namespace tr;
using namespace tr::e2e;

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
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(2000))
            process_.kill();
        process_.waitForFinished(2000);
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
    QStringList errors() const {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    int ignored() const { return ignored_; }

private:
    void serve() {
        std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop_) {
            const int n = modbus_receive(ctx_, request);
            if (n > 0) {
                {
                    std::lock_guard lock(mutex_);
                    requests_ << QByteArray(reinterpret_cast<const char *>(request), n);
                }
                modbus_reply(ctx_, request, n, map_);
            } else if (n == 0) {
                // A request for another station: libmodbus stays silent.
                ++ignored_;
            } else if (errno != ETIMEDOUT) {
                std::lock_guard lock(mutex_);
                errors_ << QString::fromLocal8Bit(modbus_strerror(errno));
            }
        }
    }

    modbus_mapping_t *map_;
    modbus_t *ctx_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> ignored_{0};
    mutable std::mutex mutex_;
    QList<QByteArray> requests_;
    QStringList errors_;
};

// The slave's registers: 16 holding registers (fc 3), 276 input registers (fc 4), so that the
// highest start (255) with the most registers (21) is inside the map.
constexpr int kHolding = 16;
constexpr int kInput = 276;
const std::vector<std::uint16_t> kInputRegisters{235,   0xFF9C, 0, 0xFFFF, 40000,
                                                 40001, 0x8000, 1, 1,      55};
const std::vector<std::uint16_t> kHoldingRegisters{1001,   0xFFFE, 0xFFFF, 250,
                                                   0x7FFF, 0xF830, 8500,   12};

// The simulator's channels as libmodbus must read them: tenths, two's complement, 0xFFFF open.
const QString kSimValues = QStringLiteral("23.5,-10,0,100.1,-0.5,55.5,12.3,40");
const QList<int> kSimRegisters{235, 0xFF9C, 0xFFFF, 1001, 0xFFFB, 555, 123, 400};

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
        for (int i = 0; i < 21; ++i)
            slave_->map()->tab_input_registers[255 + i] = std::uint16_t((i + 1) * 10);
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
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("boxes"); // "-": not written by the answer
        QTest::addColumn<QString>("line");      // null: txtOutPut keeps its text
        QTest::addColumn<int>("lamp");

        const int green = int(Lamp::Connected);
        const int yellow = int(Lamp::Yellow);
        QTest::newRow("fc4 registers 0-7")
            << 2 << 4 << 0 << 8
            << QStringList{"23.50", "-10.00", "0.00", "0", "4000.00", "-2553.50", "3276.80", "0.10"}
            << "1#:23.50 2#:-10.00 3#:0.00 5#:4000.00 6#:-2553.50 7#:3276.80 8#:0.10 " << green;
        QTest::newRow("fc3 registers 0-7")
            << 2 << 3 << 0 << 8
            << QStringList{"100.10", "-0.20", "0", "25.00", "3276.70", "-200.00", "850.00", "1.20"}
            << "1#:100.10 2#:-0.20 4#:25.00 5#:3276.70 6#:-200.00 7#:850.00 8#:1.20 " << green;
        QTest::newRow("fc4 registers 2-4")
            << 2 << 4 << 2 << 3 << QStringList{"0.00", "0", "4000.00", "-", "-", "-", "-", "-"}
            << "1#:0.00 3#:4000.00 " << green;
        QTest::newRow("fc4 ten registers")
            << 2 << 4 << 0 << 10
            << QStringList{"0.10", "5.50", "0.00", "0", "4000.00", "-2553.50", "3276.80", "0.10"}
            << "1#:23.50 2#:-10.00 3#:0.00 5#:4000.00 6#:-2553.50 7#:3276.80 8#:0.10 1#:0.10 "
               "2#:5.50 "
            << green;
        QTest::newRow("fc4 registers 255-275")
            << 2 << 4 << 255 << 21
            << QStringList{"17.00", "18.00", "19.00", "20.00", "21.00", "14.00", "15.00", "16.00"}
            << "1#:1.00 2#:2.00 3#:3.00 4#:4.00 5#:5.00 6#:6.00 7#:7.00 8#:8.00 1#:9.00 2#:10.00 "
               "3#:11.00 4#:12.00 5#:13.00 6#:14.00 7#:15.00 8#:16.00 1#:17.00 2#:18.00 "
               "3#:19.00 4#:20.00 5#:21.00 "
            << green;
        QTest::newRow("fc3 past the map: exception 02")
            << 2 << 3 << 10 << 8 << QStringList(8, "-") << QString() << yellow;
        QTest::newRow("station 3: libmodbus stays silent")
            << 3 << 4 << 0 << 8 << QStringList(8, "-") << QString() << yellow;
    }
    void windowReadsLibmodbusSlave() {
        QFETCH(int, station);
        QFETCH(int, function);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QStringList, boxes);
        QFETCH(QString, line);
        QFETCH(int, lamp);

        LiveWindow &w = *window_;
        w.setRequest(QString::number(station), QString::number(function), QString::number(start),
                     QString::number(count));
        w.fillBoxes(QStringLiteral("-"));
        w.ui().txtOutPut->setText(QStringLiteral("before"));
        const qsizetype heard = slave_->requests().size();
        const int ignored = slave_->ignored();
        w.acquireOnce();

        QCOMPARE(w.values(), boxes);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(w.colour(k), boxes[k] == "-" ? QColor(Qt::red) : QColor(Qt::black));
        QCOMPARE(w.ui().txtOutPut->text(), line.isNull() ? QStringLiteral("before") : line);
        QCOMPARE(int(w.lamp()), lamp);
        QVERIFY(w.messages.shown.isEmpty());

        // libmodbus accepted our frame: the request it took is the one the window shows.
        const QList<QByteArray> requests = slave_->requests();
        QCOMPARE(slave_->errors(), QStringList());
        if (station == 2) {
            QCOMPARE(requests.size(), heard + 1);
            QCOMPARE(receivedText(requests.last()).mid(1) + ' ', w.ui().txtCommand->text());
        } else {
            QCOMPARE(requests.size(), heard);
            QTRY_COMPARE(slave_->ignored(), ignored + 1);
        }
        if (lamp == int(Lamp::Connected)) {
            const QStringList answer =
                w.ui().txtState->toPlainText().split(' ', Qt::SkipEmptyParts);
            QCOMPARE(answer.size(), 2 * count + 5);
            QCOMPARE(answer[0].toInt(nullptr, 16), station);
            QCOMPARE(answer[1].toInt(nullptr, 16), function);
            QCOMPARE(answer[2].toInt(nullptr, 16), 2 * count);
        } else {
            QCOMPARE(w.ui().txtState->toPlainText(), QString());
        }
    }

    void libmodbusReadsTheSimulator_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("registers");
        QTest::addColumn<int>("error"); // errno of a refused read, 0 when it succeeds

        QTest::newRow("fc4 channels 1-8") << 2 << 4 << 0 << 8 << kSimRegisters << 0;
        QTest::newRow("fc3 channels 1-8") << 2 << 3 << 0 << 8 << kSimRegisters << 0;
        QTest::newRow("fc4 channels 4-6") << 2 << 4 << 3 << 3 << kSimRegisters.mid(3, 3) << 0;
        QTest::newRow("fc3 registers 8-31 read 0") << 2 << 3 << 8 << 24 << QList<int>(24, 0) << 0;
        QTest::newRow("fc4 past register 31") << 2 << 4 << 30 << 3 << QList<int>() << EMBXILADD;
        QTest::newRow("station 5 unanswered") << 5 << 4 << 0 << 8 << QList<int>() << ETIMEDOUT;
    }
    void libmodbusReadsTheSimulator() {
        QFETCH(int, station);
        QFETCH(int, function);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QList<int>, registers);
        QFETCH(int, error);

        SimulatorProcess sim;
        QVERIFY(sim.start({"--values", kSimValues, "--open", "3"}));
        modbus_t *ctx = modbus_new_rtu(sim.ptyPath().toLocal8Bit().constData(), 19200, 'N', 8, 1);
        QVERIFY(ctx);
        const auto release = qScopeGuard([ctx] {
            modbus_close(ctx);
            modbus_free(ctx);
        });
        QCOMPARE(modbus_set_slave(ctx, station), 0);
        QVERIFY2(modbus_connect(ctx) == 0, modbus_strerror(errno));
        modbus_set_response_timeout(ctx, 0, 300000);

        std::vector<std::uint16_t> read(std::size_t(count), 0xDEAD);
        const int n = function == 4 ? modbus_read_input_registers(ctx, start, count, read.data())
                                    : modbus_read_registers(ctx, start, count, read.data());
        const int failure = errno;
        if (error != 0) {
            QCOMPARE(n, -1);
            QVERIFY2(failure == error, modbus_strerror(failure));
            return;
        }
        QVERIFY2(n == count, modbus_strerror(failure));
        QCOMPARE(QList<int>(read.begin(), read.end()), registers);
    }
};

QTEST_MAIN(TstInteropLibmodbus)
#include "tst_interop_libmodbus.moc"
