#include "temperatures.h"

#include <QTest>

#include <cmath>

using namespace tr::sim;

class TestTemperatures : public QObject {
    Q_OBJECT

private slots:
    void fixedChannelsKeepTheirValue();
    void driftStaysSlowAndNearItsBase();
    void seedDecidesTheSequence();
};

void TestTemperatures::fixedChannelsKeepTheirValue() {
    std::array<std::optional<double>, kChannels> fixed{};
    fixed[0] = 23.5;
    fixed[1] = -10.0;
    TemperatureSource source(1, fixed);
    for (int step = 0; step < 100; ++step) {
        const auto reading = source.next();
        QCOMPARE(reading[0], 23.5);
        QCOMPARE(reading[1], -10.0);
    }
}

void TestTemperatures::driftStaysSlowAndNearItsBase() {
    TemperatureSource source(5, {});
    std::array<double, kChannels> previous = source.next();
    std::array<double, kChannels> lowest = previous;
    std::array<double, kChannels> highest = previous;
    for (int step = 0; step < 5000; ++step) {
        const auto reading = source.next();
        for (std::size_t ch = 0; ch < reading.size(); ++ch) {
            const double base = source.base(static_cast<int>(ch));
            QVERIFY2(base >= 20 && base <= 30, qPrintable(QString::number(base)));
            QVERIFY2(std::abs(reading[ch] - base) < 1.5,
                     qPrintable(QStringLiteral("channel %1: %2 around %3")
                                    .arg(ch + 1)
                                    .arg(reading[ch])
                                    .arg(base)));
            QVERIFY(std::abs(reading[ch] - previous[ch]) < 0.5);
            lowest[ch] = std::min(lowest[ch], reading[ch]);
            highest[ch] = std::max(highest[ch], reading[ch]);
        }
        previous = reading;
    }
    // Every channel moves by at least a few tenths over the run, so the display visibly changes.
    for (std::size_t ch = 0; ch < lowest.size(); ++ch)
        QVERIFY(highest[ch] - lowest[ch] > 0.3);
    // The channels do not share one base.
    QVERIFY(source.base(0) != source.base(1));
}

void TestTemperatures::seedDecidesTheSequence() {
    const auto run = [](std::uint32_t seed) {
        TemperatureSource source(seed, {});
        std::vector<double> all;
        for (int step = 0; step < 50; ++step)
            for (double t : source.next())
                all.push_back(t);
        return all;
    };
    QVERIFY(run(3) == run(3));
    QVERIFY(run(3) != run(4));
}

QTEST_APPLESS_MAIN(TestTemperatures)
#include "tst_sim_temperatures.moc"
