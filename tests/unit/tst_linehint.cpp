#include "monitor/linehint.h"

#include <QTest>

using namespace tr;

Q_DECLARE_METATYPE(tr::LineHint)

namespace {
JudgedRequest ok{AnswerStatus::Ok};
JudgedRequest silent{AnswerStatus::NoAnswer};
JudgedRequest crc{AnswerStatus::Crc};
JudgedRequest cut{AnswerStatus::Short};
JudgedRequest ex2{AnswerStatus::Exception, 2};
JudgedRequest ex3{AnswerStatus::Exception, 3};
using Recent = std::vector<JudgedRequest>;
} // namespace

class TestLineHint : public QObject {
    Q_OBJECT
private slots:
    void choice_data() {
        QTest::addColumn<Recent>("recent");
        QTest::addColumn<bool>("portFailed");
        QTest::addColumn<LineHint>("hint");
        QTest::newRow("nothing yet") << Recent{} << false << LineHint::None;
        QTest::newRow("two failures are not yet a pattern")
            << Recent{silent, silent} << false << LineHint::None;
        QTest::newRow("no answer")
            << Recent{ok, silent, silent, silent} << false << LineHint::NoAnswer;
        QTest::newRow("bad crc") << Recent{crc, crc, crc} << false << LineHint::BadCrc;
        QTest::newRow("short") << Recent{cut, cut, cut} << false << LineHint::Short;
        QTest::newRow("exception 02") << Recent{ex2, ex2, ex2} << false << LineHint::RegisterCount;
        QTest::newRow("other exception") << Recent{ex3, ex3, ex3} << false << LineHint::Refused;
        QTest::newRow("exceptions of two codes")
            << Recent{ex2, ex3, ex2} << false << LineHint::None;
        QTest::newRow("mixed failures") << Recent{silent, crc, silent} << false << LineHint::None;
        QTest::newRow("clears once an answer decodes")
            << Recent{crc, crc, crc, ok} << false << LineHint::None;
        QTest::newRow("the port wins") << Recent{ok, ok, ok} << true << LineHint::PortClosed;
    }
    void choice() {
        QFETCH(Recent, recent);
        QFETCH(bool, portFailed);
        QFETCH(LineHint, hint);
        QCOMPARE(chooseLineHint(recent, portFailed), hint);
    }
};

QTEST_GUILESS_MAIN(TestLineHint)
#include "tst_linehint.moc"
