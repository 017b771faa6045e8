// The 通信 tab's hint against the simulator's faults: it appears once the reads all fail the
// same way and goes once answers decode again.
#include "panels/linehintlabel.h"
#include "panels/linepanel.h"
#include "support/simwindow.h"

using namespace tr;
using namespace tr::test;

Q_DECLARE_METATYPE(tr::LineHint)

class TstE2eLineHint : public QObject {
    Q_OBJECT

private slots:
    void hintFollowsTheFault_data() {
        QTest::addColumn<QString>("faults");
        QTest::addColumn<QString>("start");
        QTest::addColumn<LineHint>("hint");
        QTest::addColumn<bool>("thenAnswers"); // the fifth read decodes
        QTest::newRow("dropped") << "--drop-answer 1,2,3,4"
                                 << "0" << LineHint::NoAnswer << true;
        QTest::newRow("corrupted") << "--corrupt 1"
                                   << "0" << LineHint::BadCrc << false;
        QTest::newRow("truncated") << "--truncate 1"
                                   << "0" << LineHint::Short << false;
        QTest::newRow("exception") << "--exception 1"
                                   << "0" << LineHint::Refused << false;
        QTest::newRow("too many registers") << ""
                                            << "20" << LineHint::RegisterCount << false;
    }
    void hintFollowsTheFault() {
        QFETCH(QString, faults);
        QFETCH(QString, start);
        QFETCH(LineHint, hint);
        QFETCH(bool, thenAnswers);

        SimWindow f;
        QVERIFY(f.start(faults.split(' ', Qt::SkipEmptyParts)));
        // Registers 20 to 39 of a module that holds 32: exception 02.
        f.setRequest("2", "3", start, "20");
        const LineHintLabel &label = f.window->lineMonitor().hint();
        // A missing answer is known only when the next request is written.
        for (int i = 0; i < 4; ++i) {
            if (i < 3)
                QCOMPARE(label.hint(), LineHint::None);
            f.acquireOnce();
        }
        QTRY_COMPARE(label.hint(), hint);
        QVERIFY(!label.text().isEmpty());
        QVERIFY(!label.isHidden());

        if (!thenAnswers)
            return;
        f.acquireOnce();
        QTRY_COMPARE(label.hint(), LineHint::None);
        QVERIFY(label.isHidden());
    }
};

QTEST_MAIN(TstE2eLineHint)
#include "tst_e2e_linehint.moc"
