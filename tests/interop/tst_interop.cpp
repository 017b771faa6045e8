// Modbus implementations we did not write against ours, both directions: libmodbus as the module
// answers the real window through a socat pseudo-terminal pair (it replies only to a request whose
// framing and CRC it accepts), and mbpoll, a libmodbus master, polls the simulator.
#include "support/livewindow.h"
#include "support/simulatorprocess.h"

#include <modbus.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>

#include <atomic>
#include <thread>

using namespace tr;
using namespace tr::test;

class TstInterop : public QObject {
    Q_OBJECT
private slots:
    void windowReadsLibmodbus_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("boxes"); // "-": not written by the answer
        QTest::addColumn<QString>("line");      // null: txtOutPut keeps its text
        QTest::addColumn<int>("lamp");
        QTest::newRow("fc4 registers 0-7")
            << 4 << 0
            << QStringList{"23.50", "-10.00", "0.00", "0", "4000.00", "-2553.50", "3276.80", "0.10"}
            << "1#:23.50 2#:-10.00 3#:0.00 5#:4000.00 6#:-2553.50 7#:3276.80 8#:0.10 "
            << int(Lamp::Connected);
        QTest::newRow("fc3 registers 0-7")
            << 3 << 0
            << QStringList{"100.10", "-0.20", "0", "25.00", "3276.70", "-200.00", "850.00", "1.20"}
            << "1#:100.10 2#:-0.20 4#:25.00 5#:3276.70 6#:-200.00 7#:850.00 8#:1.20 "
            << int(Lamp::Connected);
        QTest::newRow("fc3 past the map: exception 02")
            << 3 << 10 << QStringList(8, "-") << QString() << int(Lamp::Yellow);
    }
    void windowReadsLibmodbus() {
        QFETCH(int, function);
        QFETCH(int, start);
        QFETCH(QStringList, boxes);
        QFETCH(QString, line);
        QFETCH(int, lamp);
        QVERIFY2(!QStandardPaths::findExecutable("socat").isEmpty(), "socat is not installed");
        LiveWindow w;
        const QString module = w.path("module");
        QProcess socat;
        socat.start("socat",
                    {"pty,raw,echo=0,link=" + module, "pty,raw,echo=0,link=" + w.comPort()});
        QTRY_VERIFY(QFileInfo::exists(module) && QFileInfo::exists(w.comPort()));

        // Sixteen holding (fc 3) and sixteen input registers (fc 4), served from a thread.
        modbus_mapping_t *map = modbus_mapping_new(0, 0, 16, 16);
        const quint16 input[] = {235, 0xFF9C, 0, 0xFFFF, 40000, 40001, 0x8000, 1};
        const quint16 holding[] = {1001, 0xFFFE, 0xFFFF, 250, 0x7FFF, 0xF830, 8500, 12};
        std::copy(std::begin(input), std::end(input), map->tab_input_registers);
        std::copy(std::begin(holding), std::end(holding), map->tab_registers);
        modbus_t *ctx = modbus_new_rtu(module.toLocal8Bit().constData(), 19200, 'N', 8, 1);
        modbus_set_slave(ctx, 2);
        QVERIFY2(modbus_connect(ctx) == 0, modbus_strerror(errno));
        modbus_set_indication_timeout(ctx, 0, 100000); // wakes to see whether the test is over
        std::atomic<bool> stop{false};
        std::thread slave([&] {
            std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!stop)
                if (const int n = modbus_receive(ctx, request); n > 0)
                    modbus_reply(ctx, request, n, map);
        });
        const auto cleanup = qScopeGuard([&] {
            stop = true;
            slave.join();
            modbus_close(ctx);
            modbus_free(ctx);
            modbus_mapping_free(map);
            socat.kill();
            socat.waitForFinished();
        });

        QVERIFY(w.open());
        w.setRequest("2", QString::number(function), QString::number(start), "8");
        w.fillBoxes("-");
        w.ui().txtOutPut->setText("before");
        w.acquireOnce();
        QCOMPARE(w.values(), boxes);
        QCOMPARE(w.ui().txtOutPut->text(), line.isNull() ? QStringLiteral("before") : line);
        QCOMPARE(int(w.lamp()), lamp);
        QVERIFY(w.messages.shown.isEmpty());
    }

    // Registers 0-7 hold tenths of a degree as signed 16-bit values, -1 for the open sensor 3;
    // 8-31 read zero, and past 31 comes exception 02.
    void mbpollReadsTheSimulator_data() {
        QTest::addColumn<QString>("table"); // 3: input registers (fc 4), 4: holding (fc 3)
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::newRow("fc4 channels 1-8") << "3" << 0 << 8;
        QTest::newRow("fc3 registers 6-31") << "4" << 6 << 26;
        QTest::newRow("fc3 registers 31-32") << "4" << 31 << 2;
        QTest::newRow("fc4 register 32") << "3" << 32 << 1;
    }
    void mbpollReadsTheSimulator() {
        QFETCH(QString, table);
        QFETCH(int, start);
        QFETCH(int, count);
        const QList<int> registers{235, -100, -1, 1001, -5, 32767, -2000, 250};
        const QString mbpoll = QStandardPaths::findExecutable("mbpoll");
        QVERIFY2(!mbpoll.isEmpty(), "mbpoll is not installed (Debian package mbpoll)");
        SimulatorProcess sim;
        QVERIFY(sim.start({"--values", "23.5,-10,0,100.1,-0.5,3276.7,-200,25", "--open", "3"}));
        QProcess p;
        p.start(mbpoll,
                {"-m", "rtu", "-a", "2", "-b", "19200", "-P", "none", "-1", "-o", "1", "-0", "-t",
                 table, "-r", QString::number(start), "-c", QString::number(count), sim.ptyPath()});
        QVERIFY(p.waitForFinished(5000));
        const QString out = p.readAllStandardOutput() + p.readAllStandardError();
        if (start + count > 32) { // libmodbus's name for exception 02, not a time-out or CRC error
            QVERIFY2(p.exitCode() != 0 && out.contains("Illegal data address"), qPrintable(out));
            return;
        }
        // Lines like "[1]: \t65436 (-100)": the register, its value, the signed one if it differs.
        static const QRegularExpression valueLine(R"(^\[(\d+)\]:\s+(\d+)(?:\s+\((-?\d+)\))?\s*$)",
                                                  QRegularExpression::MultilineOption);
        QStringList seen, expected;
        for (auto it = valueLine.globalMatch(out); it.hasNext();) {
            const auto m = it.next();
            seen << m.captured(1) + ":" + (m.captured(3).isEmpty() ? m.captured(2) : m.captured(3));
        }
        for (int reg = start; reg < start + count; ++reg)
            expected << QStringLiteral("%1:%2").arg(reg).arg(registers.value(reg, 0));
        QCOMPARE(seen, expected);
    }
};

QTEST_MAIN(TstInterop)
#include "tst_interop.moc"
