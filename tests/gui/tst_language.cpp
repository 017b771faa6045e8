// English beside Chinese: which language the window speaks, its English texts and messages,
// captions that fit their fixed boxes in both languages, and names a screen reader can say.
#include "app/language.h"
#include "ptywindow.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QStyle>
#include <QTabWidget>
#include <QTranslator>

using namespace tr;
using namespace tr::test;

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
        QTest::addColumn<QString>("c"); // --lang|TR6400_LANG|system locale|language or error
        for (const char *row :
             {"||en_US|en", "||en_GB|en", "||C|zh", "||zh_CN|zh", "||de_DE|zh", "zh||en_US|zh",
              "|en|C|en", "en|zh|C|en", "|EN_us|C|en", "fr||en_US|error", "|xx|en_US|error"})
            QTest::newRow(row) << QString(row);
    }
    void choice() {
        QFETCH(QString, c);
        const QStringList f = c.split('|');
        const LanguageChoice got = chooseLanguage(f[0], f[1], QLocale(f[2]));
        QCOMPARE(!got.error.isEmpty()                ? "error"
                 : got.language == Language::English ? "en"
                                                     : "zh",
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
        w.set("txtAlarmValue_2=abc|click=cmdReadAlarm|click=cmdCom|txtStationID=x|click=comDoOnce");
        QCOMPARE(w.look("msg=|lamp="), "msg=Please enter a valid station and channel, 0 to 255 / "
                                       "Port settings saved / Please enter a valid command: "
                                       "command, address, data length and so on must be "
                                       "hexadecimal numbers|lamp=G");
        QCOMPARE(w.get("Picture2")->accessibleName(), "Link: connected");
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
        for (QWidget *c : w.window->findChildren<QWidget *>()) {
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
            else if (auto *tabs = qobject_cast<QTabWidget *>(c))
                need = tabs->tabBar()->sizeHint().width();
            if (need > c->width())
                cut << QStringLiteral("%1 %2>%3").arg(c->objectName()).arg(need).arg(c->width());
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
    }
};

QTEST_MAIN(TstLanguage)
#include "tst_language.moc"
