// English beside Chinese: which language the window speaks, its English texts and messages,
// captions that fit their fixed boxes in both languages, and names a screen reader can say.
#include "app/language.h"
#include "ptywindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QStyle>
#include <QTabWidget>
#include <QTranslator>

using namespace tr;
using namespace tr::test;

namespace {
double luminance(const QColor &c) { // WCAG relative luminance
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}
} // namespace

// The window's texts in the language of the test row; Chinese is the sources' own.
struct Spoken {
    explicit Spoken(Language language) {
        // The translation main() installs for --lang en, embedded in the window's library.
        if (language == Language::English)
            QVERIFY(english_.load(":/i18n/tr6400_en.qm") &&
                    QCoreApplication::installTranslator(&english_));
    }
    ~Spoken() { QCoreApplication::removeTranslator(&english_); }
    QTranslator english_;
};

class TstLanguage : public QObject {
    Q_OBJECT
private slots:
    void choice_data() {
        // --lang|TR6400_LANG|system locale|language or error, "!" when warned
        QTest::addColumn<QString>("c");
        for (const char *row : {"||en_US|en", "||en_GB|en", "||C|zh", "||zh_CN|zh", "||de_DE|zh",
                                "zh||en_US|zh", "|en|C|en", "en|zh|C|en", "|EN_us|C|en",
                                "fr||en_US|error", "|xx|en_US|en!", "|xx|C|zh!", "en|xx|C|en"})
            QTest::newRow(row) << QString(row);
    }
    void choice() {
        QFETCH(QString, c);
        const QStringList f = c.split('|');
        const LanguageChoice got = chooseLanguage(f[0], f[1], QLocale(f[2]));
        QCOMPARE(QString(!got.error.isEmpty()                ? "error"
                         : got.language == Language::English ? "en"
                                                             : "zh") +
                     (got.warning.isEmpty() ? "" : "!"),
                 f[3]);
    }

    // A sample of captions and one message of each panel, in English; the lamps' box is named
    // after the lamp in front.
    void english() {
        Spoken spoken(Language::English);
        PtyWindow w;
        const auto tabs = control<QTabWidget>(*w.window, "SSTab1");
        QCOMPARE(w.window->windowTitle() + '|' + tabs->tabText(0) + '|' + w.shown("cmdOneM") + '|' +
                     w.get("txtValue_0")->accessibleName(),
                 "TR6400 Multi-channel Temperature Module Tool|Acquisition|Read cyclic|Channel 1 "
                 "temperature");
        QVERIFY(w.shown("lblAbout").contains("Language: English"));
        QCOMPARE(w.get("Picture2")->accessibleName(), "Link: not connected");
        w.set("txtAlarmValue_2=abc|click=cmdReadAlarm|txtAlarmValue_2=2|click=cmdReadAlarm|"
              "click=cmdCom|txtStationID=x|click=comDoOnce");
        QCOMPARE(w.look("msg=|lamp="), "msg=Please enter a valid station and channel, 0 to 255 / "
                                       "Port settings saved / Please enter a valid command: "
                                       "command, address, data length and so on must be "
                                       "hexadecimal numbers|lamp=G");
        QCOMPARE(w.get("Picture2")->accessibleName(), "Link: connected");
    }

    // Values stay readable on a dark palette (contrast 4.5:1 against the box) before any
    // reading, fresh and stale; on the light palette fresh is black and stale red as always.
    void valueColours_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void valueColours() {
        QFETCH(bool, dark);
        const QPalette light = QApplication::palette();
        QPalette palette = light;
        if (dark)
            for (auto [role, rgb] : {std::pair{QPalette::Window, 0x353535},
                                     {QPalette::Base, 0x2b2b2b},
                                     {QPalette::Text, 0xdcdcdc},
                                     {QPalette::WindowText, 0xdcdcdc}})
                palette.setColor(role, QColor(QRgb(rgb)));
        QApplication::setPalette(palette);
        const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
        PtyWindow w;
        const auto readable = [&](const char *when) {
            for (const QString name : {"txtValue_0", "txtValue_7", "txtOutPut"}) {
                const QPalette p = w.get(name)->palette();
                const QColor text = p.color(QPalette::Text), base = p.color(QPalette::Base);
                const double l1 = luminance(text), l2 = luminance(base);
                const double ratio = (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
                QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 %2: %3 on %4 is %5:1")
                                                      .arg(when, name, text.name(), base.name())
                                                      .arg(ratio)));
            }
        };
        if (dark)
            readable("before a reading");
        const QByteArray answer = withCrc(fromHex("02 04 10 00 EB 00 EB 00 EB 00 EB 00 EB 00 EB "
                                                  "00 EB 00 EB"));
        QTimer::singleShot(50, [&] { w.peer.write(answer); });
        w.click("comDoOnce");
        const QColor fresh = w.get("txtValue_0")->palette().color(QPalette::Text);
        if (dark)
            readable("fresh");
        w.click("comDoOnce"); // no answer this time
        const QColor stale = w.get("txtValue_0")->palette().color(QPalette::Text);
        if (dark)
            readable("stale");
        else
            QCOMPARE(fresh.name() + ' ' + stale.name(), "#000000 #ff0000");
        QCOMPARE(w.shown("txtValue_0"), "23.50");
    }

    // Every caption fits its fixed box: no English text is cut off, nor any Chinese one.
    void textsFit_data() {
        QTest::addColumn<Language>("language");
        QTest::newRow("zh") << Language::Chinese;
        QTest::newRow("en") << Language::English;
    }
    void textsFit() {
        QFETCH(Language, language);
        Spoken spoken(language);
        PtyWindow w;
        QStringList cut;
        // Each tab in front in turn, so the laid-out tabs have their real sizes.
        const auto tabs = control<QTabWidget>(*w.window, "SSTab1");
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            for (QWidget *c : w.window->findChildren<QWidget *>()) {
                if (!c->isVisible())
                    continue;
                const QFontMetrics fm = c->fontMetrics();
                const int margin = c->style()->pixelMetric(QStyle::PM_ButtonMargin);
                int need = 0;
                if (auto *label = qobject_cast<QLabel *>(c); label && !label->wordWrap())
                    need = fm.horizontalAdvance(label->text());
                else if (auto *button = qobject_cast<QPushButton *>(c))
                    need = fm.horizontalAdvance(button->text()) + 2 * margin;
                else if (qobject_cast<QCheckBox *>(c))
                    need = c->sizeHint().width();
                else if (auto *group = qobject_cast<QGroupBox *>(c))
                    need = fm.horizontalAdvance(group->title()) + 2 * margin;
                else if (auto *tabBar = qobject_cast<QTabWidget *>(c))
                    need = tabBar->tabBar()->sizeHint().width();
                const QString what = QStringLiteral("%1 \"%2\" %3>%4")
                                         .arg(c->objectName(), c->property("text").toString())
                                         .arg(need)
                                         .arg(c->width());
                if (need > c->width() && !cut.contains(what))
                    cut << what;
            }
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
    }
};

QTEST_MAIN(TstLanguage)
#include "tst_language.moc"
