#include "faults.h"

#include "modbus/crc16.h"

#include <QTest>

#include <algorithm>
#include <bit>
#include <cmath>
#include <set>

using namespace tr::sim;

namespace {

// 02 04 04 00 EB FF 9C F9 29: two registers, 23.5 and -10.0 °C.
const std::vector<std::uint8_t> kAnswer{0x02, 0x04, 0x04, 0x00, 0xEB, 0xFF, 0x9C, 0xF9, 0x29};

enum Fault { Drop, Exception, Truncate, Corrupt, Garbage, Late };

FaultRates only(int fault, double p) {
    FaultRates rates;
    double FaultRates::*const field[] = {&FaultRates::drop,    &FaultRates::exception,
                                         &FaultRates::truncate, &FaultRates::corrupt,
                                         &FaultRates::garbage, &FaultRates::late};
    rates.*field[fault] = p;
    rates.lateMs = 50;
    return rates;
}

} // namespace

class TstFaults : public QObject {
    Q_OBJECT

private slots:
    void eachFault_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("variants"); // prefix lengths, stray counts or flipped positions
        QTest::newRow("drop") << int(Drop) << "DROP" << 0;
        QTest::newRow("exception") << int(Exception) << "TX-EXCEPTION" << 0;
        QTest::newRow("truncate") << int(Truncate) << "TX-TRUNCATE" << int(kAnswer.size()) - 1;
        QTest::newRow("corrupt") << int(Corrupt) << "TX-CORRUPT" << int(kAnswer.size());
        QTest::newRow("garbage") << int(Garbage) << "TX-GARBAGE" << 4;
        QTest::newRow("late") << int(Late) << "TX-LATE" << 0;
    }
    void eachFault() {
        QFETCH(int, fault);
        QFETCH(QString, tag);
        QFETCH(int, variants);
        FaultInjector injector(only(fault, 1.0), 7);
        std::set<std::size_t> seen;
        for (int i = 0; i < 500; ++i) {
            const Transmission t = injector.apply(kAnswer);
            QCOMPARE(QString::fromStdString(t.tag), tag);
            QCOMPARE(t.dropped, fault == Drop);
            QCOMPARE(t.extraDelay, fault == Late ? Micros{50000} : Micros{0});
            if (fault == Drop || fault == Late) {
                QVERIFY(t.bytes == kAnswer);
            } else if (fault == Exception) {
                // Station, function | 0x80, exception 04, CRC.
                QCOMPARE(t.bytes.size(), std::size_t{5});
                QCOMPARE(int(t.bytes[1]), 0x84);
                QCOMPARE(int(t.bytes[2]), 0x04);
                QCOMPARE(int(t.bytes[0]), 0x02);
                QVERIFY(tr::crcMatches(t.bytes));
            } else if (fault == Truncate) {
                QVERIFY(!t.bytes.empty() && t.bytes.size() < kAnswer.size());
                QVERIFY(std::equal(t.bytes.begin(), t.bytes.end(), kAnswer.begin()));
                seen.insert(t.bytes.size());
            } else if (fault == Corrupt) {
                QCOMPARE(t.bytes.size(), kAnswer.size());
                int bits = 0;
                for (std::size_t k = 0; k < kAnswer.size(); ++k) {
                    bits += std::popcount(unsigned(t.bytes[k] ^ kAnswer[k]));
                    if (t.bytes[k] != kAnswer[k])
                        seen.insert(k);
                }
                QCOMPARE(bits, 1);
                QVERIFY(!tr::crcMatches(t.bytes));
            } else {
                const std::size_t extra = t.bytes.size() - kAnswer.size();
                QVERIFY(extra >= 1 && extra <= 4);
                QVERIFY(std::equal(kAnswer.begin(), kAnswer.end(), t.bytes.begin() + extra));
                seen.insert(extra);
            }
        }
        // Every prefix length, every stray count and every byte position turns up.
        QCOMPARE(int(seen.size()), variants);
    }

    void probabilityIsHonoured_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<double>("probability");
        QTest::newRow("drop 0.3") << int(Drop) << 0.3;
        QTest::newRow("corrupt 0.05") << int(Corrupt) << 0.05;
        QTest::newRow("late 0.5") << int(Late) << 0.5;
        QTest::newRow("garbage 0") << int(Garbage) << 0.0;
    }
    void probabilityIsHonoured() {
        QFETCH(int, fault);
        QFETCH(double, probability);
        constexpr int kAnswers = 4000;
        FaultInjector injector(only(fault, probability), 3);
        int hit = 0;
        for (int i = 0; i < kAnswers; ++i)
            hit += injector.apply(kAnswer).tag != "TX";
        // Four standard deviations of a binomial count.
        const double tolerance = 4 * std::sqrt(kAnswers * probability * (1 - probability)) + 1;
        QVERIFY2(std::abs(hit - probability * kAnswers) <= tolerance,
                 qPrintable(QStringLiteral("%1 faults in %2 answers").arg(hit).arg(kAnswers)));
    }
};

QTEST_APPLESS_MAIN(TstFaults)
#include "tst_sim_faults.moc"
