// An installed window in a fresh home: it reads the settings seeded into the user's config
// folder, opens the port linked there and offers the data file in Documents/TR6400.
#include "app/frmmain.h"
#include "support/fakeinstall.h"
#include "support/ptypeer.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QTest>

class TstInstalledWindow : public QObject {
    Q_OBJECT
private slots:
    void startsFromTheUsersFolders() {
        tr::test::FakeInstall fake;
        const tr::ToolSetup setup = tr::setUpToolDirs(fake.bin);
        QVERIFY(!setup.error);
        tr::test::PtyPeer peer;
        QVERIFY(peer.linkAs(fake.config, 4));
        tr::test::ScriptedMessages messages;
        tr::test::ScriptedFiles files;
        tr::frmMain window(setup.dirs, messages, files);
        QCOMPARE(window.Form_Load(), std::nullopt);
        QCOMPARE(tr::test::WindowControls(window).txtFilePath->text(),
                 fake.documents + "/dataGet.txt");
        QVERIFY(window.port().PortOpen());
        QCOMPARE(window.port().device(), fake.config + "/ports/COM4");
    }
};

QTEST_MAIN(TstInstalledWindow)
#include "tst_installedwindow.moc"
