#include "app/frmmain.h"
#include "app/language.h"
#include "app/realdialogs.h"
#include "app/setupmessage.h"
#include "panels/seams.h"
#include "version/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>

namespace {

const char kHelp[] = R"(Usage: tr6400 [OPTION]...

The TR6400 window: a Modbus RTU master for the eight-channel PT100
temperature module. It reads the temperatures once or cyclically, logs them
to a data file, and reads, writes and exports each channel's calibration.

Files: a program folder that is writable and holds comm.set keeps
everything beside the program (a build tree, a portable copy). Otherwise
(installed) the settings comm.set and ModSet.set and the ports/ folder are
in ~/.config/tr6400/, made from <prefix>/share/tr6400/ on first start; the
data file dataGet.txt and the export folder txt/ in ~/Documents/TR6400/.

Options:
  --lang zh|en   the window's language: Chinese or English (default: English
                 when the system locale's language is English, else Chinese;
                 the environment variable TR6400_LANG sets it too)
  -h, --help     show this text and exit
  --version      show the version and exit

Qt's own options are accepted as well, e.g. -platform offscreen. Without a
display, run it under a virtual X server: xvfb-run tr6400
)";

// Without a display Qt would abort with a cryptic message; say what to do instead.
bool haveDisplay() {
#if defined(Q_OS_LINUX)
    const auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[]) {
    // Answered before QApplication exists, so that they work without a display. Qt's own options
    // (-platform offscreen, -stylesheet FILE) are left to QApplication: words after a single dash
    // other than -h are not ours, and unknown names and stray values are no error here.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QString word = QString::fromLocal8Bit(argv[i]);
        if (!word.startsWith(QLatin1String("-")) || word.startsWith(QLatin1String("--")) ||
            word == QLatin1String("-h"))
            arguments << word;
    }
    QCommandLineParser parser;
    const QCommandLineOption langOption(QStringLiteral("lang"), QString(), QStringLiteral("zh|en"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({langOption, helpOption, versionOption});
    parser.parse(arguments);
    // The first of --help and --version on the line wins.
    for (const QString &name : parser.optionNames()) {
        if (versionOption.names().contains(name)) {
            std::printf("tr6400 %s\n", tr::kVersion);
            return 0;
        }
        if (helpOption.names().contains(name)) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    const QString lang = parser.value(langOption);
    const tr::LanguageChoice language =
        tr::chooseLanguage(lang, qEnvironmentVariable("TR6400_LANG"), QLocale::system());
    if (!language.warning.isEmpty())
        std::fprintf(stderr, "tr6400: %s\n", qPrintable(language.warning));
    if (!language.error.isEmpty()) {
        std::fprintf(stderr, "tr6400: %s\n", qPrintable(language.error));
        return 2;
    }
    if (!haveDisplay()) {
        std::fprintf(stderr, "tr6400: no display found (DISPLAY is not set).\n"
                             "Run it under a virtual X server instead, e.g. xvfb-run tr6400\n"
                             "(from a build tree: xvfb-run make run)\n");
        return 2;
    }
    QApplication app(argc, argv);
    tr::Translations translations;
    if (!translations.install(language.language))
        std::fprintf(stderr, "tr6400: the English translation is missing; showing Chinese\n");
    // Lets a Wayland desktop match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tr6400.tool"));
    tr::QtMessageBox messages;
    tr::QtFileDialog files;
    const tr::ToolSetup setup = tr::setUpToolDirs(QCoreApplication::applicationDirPath());
    if (setup.error) {
        messages.show(tr::setupMessage(*setup.error), tr::promptCaption(),
                      tr::MessageBox::Icon::Critical);
        return 1;
    }
    tr::frmMain window(setup.dirs, messages, files);
    messages.setParent(&window);
    files.setParent(&window);
    if (const auto failure = window.loadSettings()) {
        messages.setParent(nullptr);
        messages.show(*failure, tr::promptCaption(), tr::MessageBox::Icon::Critical);
        return 1;
    }
    window.show();
    return app.exec();
}
