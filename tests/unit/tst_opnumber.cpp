// The operator's number notation and the two roundings the request fields and intervals use.
#include "domain/opnumber.h"

#include <QTest>
#include <cmath>

using namespace tr;

class TstOpNumber : public QObject {
    Q_OBJECT
private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "2" << true << 2.0;
        QTest::newRow("blanks and tabs around") << " \t2\t " << true << 2.0;
        QTest::newRow("fraction") << "2.9" << true << 2.9;
        QTest::newRow("negative fraction") << "-0.5" << true << -0.5;
        QTest::newRow("leading dot") << ".5" << true << 0.5;
        QTest::newRow("trailing dot") << "5." << true << 5.0;
        QTest::newRow("plus sign") << "+3" << true << 3.0;
        QTest::newRow("signed exponent") << "25E-1" << true << 2.5;
        QTest::newRow("leading zero stays decimal") << "010" << true << 10.0;
        QTest::newRow("hex upper") << "&H15" << true << 21.0;
        QTest::newRow("hex lower case") << "&hff" << true << 255.0;
        QTest::newRow("hex with blanks") << " &H0A " << true << 10.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("hex without prefix") << "1A" << false << 0.0;
        QTest::newRow("bad hex digits") << "&HZZ" << false << 0.0;
        QTest::newRow("prefix only") << "&H" << false << 0.0;
        QTest::newRow("C hex") << "0x15" << false << 0.0;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("dot only") << "." << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("underflow reads as zero") << "1e-400" << true << 0.0;
        QTest::newRow("fullwidth digit") << "１" << false << 0.0;
        QTest::newRow("comma decimal") << "2,5" << false << 0.0;
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const auto got = parseOperatorNumber(text);
        QCOMPARE(got.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*got, value);
    }

    void roundings_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("down");
        QTest::addColumn<double>("even");
        QTest::newRow("2.7") << 2.7 << 2.0 << 3.0;
        QTest::newRow("-0.5") << -0.5 << -1.0 << 0.0;
        QTest::newRow("0.5") << 0.5 << 0.0 << 0.0;
        QTest::newRow("1.5") << 1.5 << 1.0 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0 << 2.0;
        QTest::newRow("-2.5") << -2.5 << -3.0 << -2.0;
        QTest::newRow("2.4999") << 2.4999 << 2.0 << 2.0;
    }
    void roundings()
    {
        QFETCH(double, value);
        QFETCH(double, down);
        QFETCH(double, even);
        QCOMPARE(roundDown(value), down);
        QCOMPARE(roundHalfEven(value), even);
    }

    void wholeNumbersInRange()
    {
        QCOMPARE(wholeHalfEven("255.5", 0, 255), std::nullopt);
        QCOMPARE(wholeHalfEven("-0.5", 0, 255), std::optional<long long>(0));
        QCOMPARE(wholeHalfEven("1e300", 0, 65535), std::nullopt);
        QCOMPARE(wholeHalfEven("x", 0, 65535), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TstOpNumber)
#include "tst_opnumber.moc"
