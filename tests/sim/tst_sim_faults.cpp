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

enum class Fault { Drop, Exception, Truncate, Corrupt, Garbage, Late };

FaultRates only(Fault fault, double p) {
    FaultRates rates;
    switch (fault) {
    case Fault::Drop:
        rates.drop = p;
        break;
    case Fault::Exception:
        rates.exception = p;
        break;
    case Fault::Truncate:
        rates.truncate = p;
        break;
    case Fault::Corrupt:
        rates.corrupt = p;
        break;
    case Fault::Garbage:
        rates.garbage = p;
        break;
    case Fault::Late:
        rates.late = p;
        rates.lateMs = 50;
        break;
    }
    return rates;
}

int bitsDiffering(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b) {
    int bits = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        bits += std::popcount(static_cast<unsigned>(a[i] ^ b[i]));
    return bits;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void noFaultsLeaveAnswersIntact();
    void eachFault_data();
    void eachFault();
    void probabilityIsHonoured_data();
    void probabilityIsHonoured();
    void seedDecidesTheSequence();
};

void TestFaults::noFaultsLeaveAnswersIntact() {
    FaultInjector injector(FaultRates{}, 1);
    for (int i = 0; i < 1000; ++i) {
        const Transmission t = injector.apply(kAnswer);
        QCOMPARE(t.tag, std::string("TX"));
        QVERIFY(!t.dropped);
        QCOMPARE(t.extraDelay, Micros{0});
        QVERIFY(t.bytes == kAnswer);
    }
}

void TestFaults::eachFault_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("tag");
    QTest::newRow("drop") << Fault::Drop << QStringLiteral("DROP");
    QTest::newRow("exception") << Fault::Exception << QStringLiteral("TX-EXCEPTION");
    QTest::newRow("truncate") << Fault::Truncate << QStringLiteral("TX-TRUNCATE");
    QTest::newRow("corrupt") << Fault::Corrupt << QStringLiteral("TX-CORRUPT");
    QTest::newRow("garbage") << Fault::Garbage << QStringLiteral("TX-GARBAGE");
    QTest::newRow("late") << Fault::Late << QStringLiteral("TX-LATE");
}

void TestFaults::eachFault() {
    QFETCH(Fault, fault);
    QFETCH(QString, tag);

    FaultInjector injector(only(fault, 1.0), 7);
    std::set<std::size_t> variants; // prefix lengths, garbage counts or corrupted byte positions
    for (int i = 0; i < 500; ++i) {
        const Transmission t = injector.apply(kAnswer);
        QCOMPARE(QString::fromStdString(t.tag), tag);
        QCOMPARE(t.dropped, fault == Fault::Drop);
        QCOMPARE(t.extraDelay, fault == Fault::Late ? Micros{50000} : Micros{0});
        switch (fault) {
        case Fault::Drop:
        case Fault::Late:
            QVERIFY(t.bytes == kAnswer);
            break;
        case Fault::Exception:
            // Station, function | 0x80, exception 04, CRC.
            QCOMPARE(t.bytes.size(), std::size_t{5});
            QCOMPARE(int(t.bytes[0]), 0x02);
            QCOMPARE(int(t.bytes[1]), 0x84);
            QCOMPARE(int(t.bytes[2]), 0x04);
            QVERIFY(tr::crcMatches(t.bytes));
            break;
        case Fault::Truncate:
            QVERIFY(!t.bytes.empty() && t.bytes.size() < kAnswer.size());
            QVERIFY(std::equal(t.bytes.begin(), t.bytes.end(), kAnswer.begin()));
            variants.insert(t.bytes.size());
            break;
        case Fault::Corrupt:
            QCOMPARE(t.bytes.size(), kAnswer.size());
            QCOMPARE(bitsDiffering(t.bytes, kAnswer), 1);
            QVERIFY(!tr::crcMatches(t.bytes));
            for (std::size_t k = 0; k < kAnswer.size(); ++k)
                if (t.bytes[k] != kAnswer[k])
                    variants.insert(k);
            break;
        case Fault::Garbage: {
            const std::size_t extra = t.bytes.size() - kAnswer.size();
            QVERIFY(extra >= 1 && extra <= 4);
            QVERIFY(std::equal(kAnswer.begin(), kAnswer.end(), t.bytes.begin() + extra));
            variants.insert(extra);
            break;
        }
        }
    }
    // Every prefix length, every stray count and every byte position turns up.
    if (fault == Fault::Truncate)
        QCOMPARE(variants.size(), kAnswer.size() - 1);
    if (fault == Fault::Garbage)
        QCOMPARE(variants.size(), std::size_t{4});
    if (fault == Fault::Corrupt)
        QCOMPARE(variants.size(), kAnswer.size());
}

void TestFaults::probabilityIsHonoured_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<double>("probability");
    QTest::newRow("drop 0.3") << Fault::Drop << 0.3;
    QTest::newRow("corrupt 0.05") << Fault::Corrupt << 0.05;
    QTest::newRow("late 0.5") << Fault::Late << 0.5;
    QTest::newRow("garbage 0") << Fault::Garbage << 0.0;
}

void TestFaults::probabilityIsHonoured() {
    QFETCH(Fault, fault);
    QFETCH(double, probability);

    constexpr int kAnswers = 4000;
    FaultInjector injector(only(fault, probability), 3);
    int hit = 0;
    for (int i = 0; i < kAnswers; ++i)
        hit += injector.apply(kAnswer).tag != "TX";
    // Four standard deviations of a binomial count, at least 1 answer.
    const double expected = probability * kAnswers;
    const double tolerance = 4 * std::sqrt(kAnswers * probability * (1 - probability)) + 1;
    QVERIFY2(std::abs(hit - expected) <= tolerance,
             qPrintable(QStringLiteral("%1 faults in %2 answers").arg(hit).arg(kAnswers)));
}

void TestFaults::seedDecidesTheSequence() {
    FaultRates rates;
    rates.drop = 0.2;
    rates.corrupt = 0.2;
    rates.garbage = 0.2;
    const auto run = [&rates](std::uint32_t seed) {
        FaultInjector injector(rates, seed);
        std::vector<std::uint8_t> all;
        for (int i = 0; i < 200; ++i) {
            const Transmission t = injector.apply(kAnswer);
            all.insert(all.end(), t.tag.begin(), t.tag.end());
            all.insert(all.end(), t.bytes.begin(), t.bytes.end());
        }
        return all;
    };
    QVERIFY(run(11) == run(11));
    QVERIFY(run(11) != run(12));
}

QTEST_APPLESS_MAIN(TestFaults)
#include "tst_sim_faults.moc"
