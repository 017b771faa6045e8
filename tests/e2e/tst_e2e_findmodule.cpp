// "查找模块" against the simulator on another station and baud rate than the window's: found,
// cancelled, applied with "使用", and acquisition then reads the module.
#include "panels/modulefinder.h"
#include "serial/mscomm.h"
#include "support/simwindow.h"

#include <QComboBox>
#include <QProgressBar>
#include <QTableWidget>

using namespace tr;
using namespace tr::test;

class TstE2eFindModule : public QObject {
    Q_OBJECT

private slots:
    void findsCancelsAndUses() {
        SimWindow f; // the window on its defaults: station 2 at 19200 baud
        QVERIFY(f.start({"--station", "7", "--baud", "9600", "--match-baud"}));
        ModuleFinder &finder = f.window->moduleFinder();
        auto *bauds = control<QComboBox>(*f.window, "Combo2");
        auto *list = control<QTableWidget>(*f.window, "lstModules");

        f.acquisition().startCyclic();
        QVERIFY(f.acquisition().cyclicTimer().isActive());
        bauds->setCurrentIndex(bauds->findText("9600")); // chosen, not saved
        finder.findModules();
        QVERIFY(finder.scan().running());
        QVERIFY(!f.acquisition().cyclicTimer().isActive());
        QVERIFY(!bauds->isEnabled()); // the search sets the rate itself
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, 10000);
        finder.cancelSearch();
        QTRY_VERIFY(!finder.scan().running());
        // The search stopped after the probe under way, far from station 247.
        const int probed = control<QProgressBar>(*f.window, "prgFindModule")->value();
        QVERIFY2(probed >= 7 && probed < 30, qPrintable(QString::number(probed)));
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("7"));
        QCOMPARE(list->item(0, 1)->text(), QStringLiteral("9600"));
        QCOMPARE(list->item(0, 2)->text().split("  ").size(), 8);
        // Acquisition resumed, and the port is back at the rate it had.
        QVERIFY(f.acquisition().cyclicTimer().isActive());
        QVERIFY(bauds->isEnabled());
        QVERIFY(f.window->port().Settings().startsWith("19200,"));

        f.acquisition().stopCyclic();
        f.waitForRead();
        finder.useChosenModule();
        QCOMPARE(f.controls->txtStationID->text(), QStringLiteral("7"));
        QCOMPARE(bauds->currentText(), QStringLiteral("9600"));
        QVERIFY(f.window->port().PortOpen());
        QVERIFY(f.window->port().Settings().startsWith("9600,"));
        f.fillBoxes("x");
        f.acquireOnce();
        QTRY_VERIFY(!f.values().contains("x"));
    }
};

QTEST_MAIN(TstE2eFindModule)
#include "tst_e2e_findmodule.moc"
