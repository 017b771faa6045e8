// Renders the real window offscreen into the pictures of the operator's manual: each tab and the
// input message, in one language, with the module simulator on the line so that values, the
// calibration list, the trend and the counters show what an operator sees.
// scripts/make-manual-images runs it once per language.
#include "app/frmmain.h"
#include "app/language.h"
#include "app/realdialogs.h"
#include "support/files.h"
#include "support/simulatorprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

struct Shots {
    tr::frmMain &window;
    QString prefix; // "<folder>/<language>-"

    template <typename W = QWidget> W *get(const char *name) {
        W *w = window.findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void type(const char *box, const QString &text) { get<QLineEdit>(box)->setText(text); }
    void click(const char *button) { QTest::mouseClick(get(button), Qt::LeftButton); }
    void save(QWidget &widget, const QString &name) {
        const QString file = prefix + name + QStringLiteral(".png");
        if (!widget.grab().save(file))
            qFatal("cannot write %s", qPrintable(file));
        std::fprintf(stderr, "%s\n", qPrintable(file));
    }
    void tab(int index, const QString &name) {
        get<QTabWidget>("SSTab1")->setCurrentIndex(index);
        QTest::qWait(300);
        save(window, name);
    }
    // The message box a click raises, taken while it is up and then closed.
    void message(const char *button, const QString &name) {
        QTimer::singleShot(500, [this, name] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                save(*box, name);
                box->close();
            }
        });
        click(button);
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || !tr::languageNamed(args[1])) {
        std::fprintf(stderr, "usage: tr6400-manual-shots zh|en FOLDER\n");
        return 2;
    }
    const tr::Language language = *tr::languageNamed(args[1]);
    tr::Translations translations;
    if (!translations.install(language))
        std::fprintf(stderr, "the translation is missing\n");

    QTemporaryDir dir;
    tr::test::writeFile(dir.filePath("comm.set"), "4,19200\r\n");
    tr::test::writeFile(dir.filePath("ModSet.set"), "1,2,8,1\r\n");
    QDir(dir.path()).mkpath("ports");
    SimulatorProcess sim;
    if (!sim.start({"--link", dir.filePath("ports/COM4"), "--values",
                    "23.5,-10,18.2,100.1,-0.5,27.7,-20,25", "--open", "3", "--seed", "1"})) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    tr::QtMessageBox messages;
    tr::QtFileDialog files;
    tr::frmMain window(tr::ToolDirs::portable(dir.path()), messages, files);
    messages.setParent(&window);
    files.setParent(&window);
    if (const auto failure = window.Form_Load()) {
        std::fprintf(stderr, "%s\n", qPrintable(*failure));
        return 1;
    }
    window.show();
    Shots shots{window, QDir(args[2]).filePath(args[1] + '-')};
    // Where an installed window keeps its data file, not the temporary folder of this run.
    shots.type("txtFilePath", "/home/operator/Documents/TR6400/dataGet.txt");

    shots.tab(2, "about");

    // A station that is no number: the operator is told what to enter.
    shots.type("txtStationID", "x");
    shots.message("comDoOnce", "message");
    shots.type("txtStationID", "2");

    // One channel's slope and offset, then all eight in turn (2 s a channel).
    shots.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    shots.type("txtAlarmValue_2", "2");
    shots.type("txtAlarmValue_3", "1");
    shots.click("cmdReadAlarm");
    QTest::qWait(500);
    shots.click("cmdReadAll");
    QTest::qWait(17000);
    shots.tab(1, "calibration");

    // Cyclic reading for a while, so that the trend has a line and the counters have counts.
    shots.get<QTabWidget>("SSTab1")->setCurrentIndex(0);
    shots.type("txtTimerSet_0", "500");
    shots.click("cmdOneM");
    QTest::qWait(12000);
    // A few requests to a station where no module is: the counters show them as unanswered.
    shots.type("txtStationID", "5");
    QTest::qWait(2500);
    shots.type("txtStationID", "2");
    QTest::qWait(6000);
    shots.tab(0, "acquisition");
    auto *range = shots.get<QComboBox>("cmbTrendRange");
    range->setCurrentIndex(0); // 1 min, as the operator picks it
    emit range->activated(0);
    shots.tab(3, "trend");
    shots.tab(4, "line");
    shots.click("cmdStopOnce");
    return 0;
}
