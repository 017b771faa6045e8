// Where the tool keeps its files: beside a writable program folder holding comm.set, otherwise in
// the user's folders seeded once from the installed defaults; the window offers the data file
// there.
#include "app/frmmain.h"
#include "support/files.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TstToolDirs : public QObject {
    Q_OBJECT
    QTemporaryDir home_; // the program lives in usr/bin, its defaults in usr/share/tr6400
    const QString share_ = home_.filePath("usr/share/tr6400");
    const QString config_ = home_.filePath(".qttest/config/tr6400");
    QString at(const QString &path) const { return home_.filePath(path); }
    tr::ToolSetup start() const { return tr::setUpToolDirs(at("usr/bin")); }

private slots:
    void init() {
        qputenv("HOME", home_.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(QDir(home_.path()).removeRecursively() && QDir().mkpath(share_));
        tr::test::writeFile(share_ + "/comm.set", "4,19200\r\n");
        tr::test::writeFile(share_ + "/ModSet.set", "1,2,8,1\r\n");
    }
    void installedSeedsOnceKeepsEditsAndOffersDocuments() {
        tr::test::ScriptedMessages messages;
        tr::test::ScriptedFiles files;
        tr::frmMain window(start().dirs, messages, files);
        QCOMPARE(window.loadSettings(), std::nullopt);
        QCOMPARE(tr::test::WindowControls(window).txtFilePath->text(),
                 at("Documents/TR6400/dataGet.txt"));
        tr::test::writeFile(config_ + "/comm.set", "7,9600\r\n");
        QVERIFY(QFile::remove(config_ + "/ModSet.set") && !start().error);
        QCOMPARE(tr::test::readFile(config_ + "/comm.set"), "7,9600\r\n");
        QCOMPARE(tr::test::readFile(config_ + "/ModSet.set"), "1,2,8,1\r\n");
    }
    void anInstalledStartStopsOnABrokenUserFolder() {
        QVERIFY(QDir().mkpath(at(".qttest/config")) && tr::test::writeFile(config_, ""));
        QVERIFY(start().error);
        // Any writable folder holding comm.set is a portable copy's program folder, this one too.
        QCOMPARE(tr::setUpToolDirs(share_).dirs.defaultDataFile(), share_ + "/dataGet.txt");
    }
};

QTEST_MAIN(TstToolDirs)
#include "tst_tooldirs.moc"
