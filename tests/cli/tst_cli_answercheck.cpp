// Judging an answer to one request: when it is complete, and what is wrong with it.
#include "domain/parameterrequest.h"
#include "cli/answercheck.h"
#include "cli/exitcodes.h"
#include "support/ptypeer.h"

#include <QTest>

using namespace tr;
using namespace tr::cli;
using tr::test::fromHex;
using tr::test::withCrc;

Q_DECLARE_METATYPE(tr::Frame)

namespace {

// Station 2, function 4, registers 0 and 1.
const Frame kRead2 = measurementRequest(2, 4, 0, 2);

} // namespace

class TstAnswerCheck : public QObject {
    Q_OBJECT
private slots:
    void judges_data() {
        QTest::addColumn<Frame>("request");
        QTest::addColumn<bool>("calibration");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("retry");

        // The module's answer to 02 04 00 00 00 02 71 F8 with 23.5 and -10 degrees.
        const QByteArray good = fromHex("02 04 04 00 EB FF 9C F9 29");
        QTest::newRow("intact") << kRead2 << false << good << "ok" << int(ExitOk) << false;
        QTest::newRow("nothing") << kRead2 << false << QByteArray() << "timeout"
                                 << int(ExitNoAnswer) << true;
        QByteArray flipped = good;
        flipped[4] = char(flipped[4] ^ 0x01);
        QTest::newRow("one bit flipped")
            << kRead2 << false << flipped << "crc" << int(ExitBadAnswer) << true;
        QTest::newRow("another station")
            << kRead2 << false << withCrc(fromHex("03 04 04 00 EB FF 9C")) << "station"
            << int(ExitBadAnswer) << false;
        QTest::newRow("another function")
            << kRead2 << false << withCrc(fromHex("02 03 04 00 EB FF 9C")) << "function"
            << int(ExitBadAnswer) << false;
        QTest::newRow("byte count of three registers")
            << kRead2 << false << withCrc(fromHex("02 04 06 00 EB FF 9C")) << "length"
            << int(ExitBadAnswer) << false;
        // The simulator's exception 02 to a read past register 31 (function 3).
        QTest::newRow("exception 2")
            << measurementRequest(2, 3, 31, 2) << false << fromHex("02 83 02 30 F1")
            << "exception 2" << int(ExitException) << false;
        QTest::newRow("exception with a bad CRC")
            << kRead2 << false << fromHex("02 84 02 00 00") << "crc" << int(ExitBadAnswer) << true;
        QTest::newRow("exception cut short")
            << kRead2 << false << fromHex("02 84 02 C2") << "timeout" << int(ExitNoAnswer) << true;
        // 0x42 answers carry no byte count: slope 1000 (E8 03) sits where a count would be.
        QTest::newRow("parameters read")
            << parameterReadFrame(2, 1) << true << withCrc(fromHex("02 42 E8 03 00 00")) << "ok"
            << int(ExitOk) << false;
        QTest::newRow("parameters read, 7 bytes")
            << parameterReadFrame(2, 1) << true << withCrc(fromHex("02 42 E8 03 00")) << "timeout"
            << int(ExitNoAnswer) << true;
        QTest::newRow("calibration exception 2")
            << parameterReadFrame(2, 9) << true << withCrc(fromHex("02 C2 02")) << "exception 2"
            << int(ExitException) << false;
    }
    void judges() {
        QFETCH(Frame, request);
        QFETCH(bool, calibration);
        QFETCH(QByteArray, answer);
        QFETCH(QString, status);
        QFETCH(int, exitCode);
        QFETCH(bool, retry);

        const Expectation expect =
            calibration ? calibrationExpectation() : measurementExpectation(request[5]);
        const AnswerCheck check = checkAnswer(request, expect, answer);
        QCOMPARE(statusText(check), status);
        QCOMPARE(exitCodeFor(check), exitCode);
        QCOMPARE(worthRetrying(check), retry);
        QVERIFY(!statusDescription(check).isEmpty());
    }

    // The receive loop stops reading at this many bytes.
    void target_data() {
        QTest::addColumn<QByteArray>("soFar");
        QTest::addColumn<int>("registers");
        QTest::addColumn<int>("target");
        QTest::newRow("nothing yet, 8 registers") << QByteArray() << 8 << 21;
        QTest::newRow("station only, 1 register") << fromHex("02") << 1 << 7;
        QTest::newRow("normal function code") << fromHex("02 04") << 21 << 47;
        QTest::newRow("exception bit") << fromHex("02 84") << 8 << 5;
    }
    void target() {
        QFETCH(QByteArray, soFar);
        QFETCH(int, registers);
        QFETCH(int, target);
        QCOMPARE(answerTarget(soFar, measurementExpectation(registers)), target);
    }
};

QTEST_GUILESS_MAIN(TstAnswerCheck)
#include "tst_cli_answercheck.moc"
