// Rows of the read command: csv cells, the open-sensor gap, timestamps and the text row.
#include "cli/sampleformat.h"
#include "modbus/decode.h"
#include "support/ptypeer.h"

#include <QTest>
#include <QTimeZone>

using namespace tr;
using namespace tr::cli;
using tr::test::fromHex;
using tr::test::withCrc;

namespace {

const QDateTime kWhen(QDate(2024, 3, 5), QTime(9, 7, 5, 5), QTimeZone(3600));

// A sample as the read command builds it from a complete answer.
Sample answered(const QByteArray &registers, long long seq) {
    const QByteArray answer =
        withCrc(fromHex("02 04") + QByteArray(1, char(registers.size())) + registers);
    const DecodedAnswer d = decodeAnswer(KindMeasurement, int(answer.size()), answer);
    Sample s;
    s.when = kWhen;
    s.seq = seq;
    s.ok = d.decoded();
    s.status = QStringLiteral("ok");
    s.values = registerValues(d);
    s.valueLine = valueLine(d.readings);
    return s;
}

} // namespace

class TstSampleFormat : public QObject {
    Q_OBJECT
private slots:
    void header() {
        QCOMPARE(csvHeader(2, 3), QStringLiteral("time,seq,ch3,ch4,ch5,status"));
        QCOMPARE(csvHeader(7, 1), QStringLiteral("time,seq,ch8,status"));
    }

    void rows_data() {
        QTest::addColumn<QByteArray>("registers");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("text");
        const QString t = QStringLiteral("2024-03-05T09:07:05.005+01:00");
        QTest::newRow("open sensor on channel 3 leaves its cell empty")
            << fromHex("00 EB FF 9C FF FF 03 E9") << 4 << t + ",7,23.50,-10.00,,100.10,ok"
            << "1#:23.50 2#:-10.00 4#:100.10 ";
        QTest::newRow("zero is a value, not an open sensor")
            << fromHex("00 00 FF FE") << 2 << t + ",7,0.00,-0.20,ok"
            << "1#:0.00 2#:-0.20 ";
        QTest::newRow("fewer registers than columns")
            << fromHex("01 00") << 3 << t + ",7,25.60,,,ok"
            << "1#:25.60 ";
    }
    void rows() {
        QFETCH(QByteArray, registers);
        QFETCH(int, columns);
        QFETCH(QString, row);
        QFETCH(QString, text);
        const Sample s = answered(registers, 7);
        QCOMPARE(csvRow(s, columns), row);
        QCOMPARE(textRow(s), text);
    }

    void failedSample() {
        for (const QString status : {"timeout", "exception 4"}) {
            Sample s;
            s.when = kWhen;
            s.seq = 12;
            s.status = status;
            QCOMPARE(csvRow(s, 3), "2024-03-05T09:07:05.005+01:00,12,,,," + status);
            QCOMPARE(textRow(s), status);
        }
    }
};

QTEST_GUILESS_MAIN(TstSampleFormat)
#include "tst_cli_sampleformat.moc"
