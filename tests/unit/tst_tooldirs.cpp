// Where the tool keeps its files: beside the program when that is a writable folder holding
// comm.set, otherwise the user's folders seeded once from the installed defaults.
#include "domain/tooldirs.h"
#include "support/fakeinstall.h"

#include <QTest>

using namespace tr;

class TstToolDirs : public QObject {
    Q_OBJECT
private slots:
    void locate_data() {
        QTest::addColumn<bool>("commSet");  // comm.set beside the program
        QTest::addColumn<bool>("readOnly"); // the program folder cannot be written
        QTest::addColumn<bool>("defaults"); // share/tr6400 beside bin/
        QTest::addColumn<bool>("portable");
        QTest::newRow("build tree") << true << false << false << true;
        QTest::newRow("portable copy over an installation") << true << false << true << true;
        QTest::newRow("installed") << false << false << true << false;
        QTest::newRow("installed, comm.set beside it") << true << true << true << false;
        QTest::newRow("build tree lost comm.set: reported as before")
            << false << false << false << true;
    }
    void locate() {
        QFETCH(bool, commSet);
        QFETCH(bool, readOnly);
        QFETCH(bool, defaults);
        QFETCH(bool, portable);
        test::FakeInstall fake;
        if (commSet)
            test::writeFile(fake.bin + QStringLiteral("/comm.set"), "4,19200\r\n");
        if (!defaults)
            QDir(fake.defaults).removeRecursively();
        if (readOnly && QFile::setPermissions(fake.bin, QFile::ReadOwner | QFile::ExeOwner) &&
            QFileInfo(fake.bin).isWritable())
            QSKIP("this user writes into read-only folders");
        const ToolDirs dirs = ToolDirs::locate(fake.bin);
        QFile::setPermissions(fake.bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(dirs.settings, portable ? fake.bin : fake.config);
        QCOMPARE(dirs.defaultDataFile(), (portable ? fake.bin : fake.documents) + "/dataGet.txt");
    }
    void seedsOnceAndKeepsTheUsersFiles() {
        test::FakeInstall fake;
        QVERIFY(!setUpToolDirs(fake.bin).error);
        const ToolDirs dirs = ToolDirs::perUser();
        QCOMPARE(test::readFile(dirs.commSet()), "4,19200\r\n");
        QVERIFY(QFile::permissions(dirs.commSet()) & QFile::WriteOwner);
        QVERIFY(QFileInfo(dirs.ports()).isDir() && QFileInfo(fake.documents).isDir());
        test::writeFile(dirs.commSet(), "7,9600\r\n");
        QFile::remove(dirs.modSet());
        QVERIFY(!setUpToolDirs(fake.bin).error);
        QCOMPARE(test::readFile(dirs.commSet()), "7,9600\r\n");
        QCOMPARE(test::readFile(dirs.modSet()), "1,2,8,1\r\n");
    }
    void failuresAreReported_data() {
        QTest::addColumn<QString>("blocked"); // made a folder (a default) or a file (a folder)
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        QTest::newRow("default missing")
            << "" << int(SetupError::Kind::NoDefault) << "usr/share/tr6400/ModSet.set";
        QTest::newRow("config folder is a file")
            << ".qttest/config/tr6400" << int(SetupError::Kind::CannotCreate)
            << ".qttest/config/tr6400";
        QTest::newRow("default unreadable")
            << "usr/share/tr6400/comm.set" << int(SetupError::Kind::CannotCopy)
            << ".qttest/config/tr6400/comm.set";
    }
    void failuresAreReported() {
        QFETCH(QString, blocked);
        QFETCH(int, kind);
        QFETCH(QString, path);
        test::FakeInstall fake;
        QFile::remove(fake.defaults + "/ModSet.set");
        const QString target = fake.home.filePath(blocked);
        if (!blocked.isEmpty()) {
            QDir().mkpath(QFileInfo(target).path());
            QFile::remove(target);
            QVERIFY(target.endsWith(".set") ? QDir().mkdir(target) : test::writeFile(target, "x"));
        }
        const ToolSetup setup = setUpToolDirs(fake.bin);
        QVERIFY(setup.error);
        QCOMPARE(int(setup.error->kind), kind);
        QCOMPARE(setup.error->path, fake.home.filePath(path));
    }
};

QTEST_GUILESS_MAIN(TstToolDirs)
#include "tst_tooldirs.moc"
