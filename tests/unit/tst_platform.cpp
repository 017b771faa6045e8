// What differs between Linux and Windows below the window: the order in which serial devices are
// listed, and where an installed program finds its defaults and keeps the user's files. Built and
// run for both (the Windows build under Wine).
#include "domain/tooldirs.h"
#include "serial/portmap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tr;

class TstPlatform : public QObject {
    Q_OBJECT
private slots:
    void deviceOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("less");
        QTest::newRow("by number") << "COM2"
                                   << "COM10" << true;
        QTest::newRow("not by text") << "COM10"
                                     << "COM9" << false;
        QTest::newRow("case") << "com3"
                              << "COM12" << true;
        QTest::newRow("equal") << "COM9"
                               << "COM9" << false;
        QTest::newRow("ports first") << "COM1"
                                     << "/dev/ttyS0" << true;
        QTest::newRow("paths after") << "/dev/ttyS0"
                                     << "COM1" << false;
        QTest::newRow("paths by name") << "/dev/ttyS0"
                                       << "/dev/ttyUSB0" << true;
    }
    void deviceOrder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, less);
        QCOMPARE(serialDeviceLess(a, b), less);
    }

    // The setup puts the defaults into defaults\ beside the programs; the .deb into
    // <prefix>/share/tr6400 beside <prefix>/bin. With them and no comm.set beside the program it
    // counts as installed; comm.set beside it (the zip, a build tree) makes it portable.
    void installedOrPortable() {
        QTemporaryDir root;
#ifdef Q_OS_WIN
        const QString program = root.filePath("TR6400"), defaults = program + "/defaults";
#else
        const QString program = root.filePath("usr/bin"),
                      defaults = root.filePath("usr/share/tr6400");
#endif
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(defaults));
        QCOMPARE(installedDefaults(program), defaults);
        QCOMPARE(ToolDirs::locate(program).settings, ToolDirs::perUser().settings);
        QFile comm(program + "/comm.set");
        QVERIFY(comm.open(QIODevice::WriteOnly));
        comm.close();
        QCOMPARE(ToolDirs::locate(program).settings, program);
    }

#ifdef Q_OS_WIN
    // %LOCALAPPDATA%\tr6400 (not the roaming profile) and Documents\TR6400, as the README says.
    void userFoldersOnWindows() {
        const ToolDirs dirs = ToolDirs::perUser();
        QCOMPARE(dirs.settings, QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA")) +
                                    QStringLiteral("/tr6400"));
        QVERIFY2(dirs.data.endsWith(QStringLiteral("/Documents/TR6400")), qPrintable(dirs.data));
    }
#endif
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
