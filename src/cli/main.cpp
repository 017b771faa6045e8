#include "cli/commandline.h"
#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/runcommand.h"
#include "cli/settingsdefaults.h"
#include "version/version.h"
#include "words/english.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTranslator>

namespace {

QString setupMessage(const tr::SetupError &error) {
    const QString path = QDir::toNativeSeparators(error.path);
    const QString reason = error.reason.isEmpty() ? QString() : QStringLiteral(": ") + error.reason;
    switch (error.kind) {
    case tr::SetupError::Kind::NoDefault:
        return QStringLiteral("the installed default %1 is missing; reinstall tr6400").arg(path);
    case tr::SetupError::Kind::CannotCreate:
        return QStringLiteral("cannot create folder %1%2").arg(path, reason);
    case tr::SetupError::Kind::CannotCopy:
        break;
    }
    return QStringLiteral("cannot create settings file %1%2").arg(path, reason);
}

// Qt's own warnings ("QIODevice::seek: ...") speak of its internals; the command line reports every
// failure in its own words, so only what would end the program gets through.
void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        tr::cli::printError(text);
}

// Lines lost on standard output make any run a failure: a script must not take it for success.
int checked(int exitCode) {
    return tr::cli::reportLostOutput() && exitCode < tr::cli::ExitSignal ? tr::cli::ExitFileError
                                                                         : exitCode;
}

} // namespace

int main(int argc, char *argv[]) {
    qInstallMessageHandler(qtMessage);
    QCoreApplication app(argc, argv);
    // The command line speaks English: the texts it shares with the window (why a backup file is
    // refused) come in the English window's words.
    QTranslator english;
    if (tr::loadEnglish(english))
        QCoreApplication::installTranslator(&english);
    const tr::ToolSetup setup = tr::setUpToolDirs(QCoreApplication::applicationDirPath());
    const tr::ToolDirs &dirs = setup.dirs;
    const QStringList args = QCoreApplication::arguments().mid(1);

    const tr::cli::ParsedCommandLine parsed =
        tr::cli::parseCommandLine(args, tr::cli::loadSettingsDefaults(dirs), dirs);
    if (parsed.help) {
        tr::cli::printLine(tr::cli::helpText().trimmed());
        return checked(tr::cli::ExitOk);
    }
    if (parsed.version) {
        tr::cli::printLine(QStringLiteral("tr6400-cli %1").arg(QLatin1String(tr::kVersion)));
        return checked(tr::cli::ExitOk);
    }
    // Help and version need no settings; anything else does.
    if (setup.error) {
        tr::cli::printError(setupMessage(*setup.error));
        return tr::cli::ExitFileError;
    }
    if (!parsed.ok()) {
        tr::cli::printError(parsed.error);
        if (parsed.exitCode == tr::cli::ExitUsage)
            tr::cli::printNote(QStringLiteral("Try 'tr6400-cli --help'."));
        return parsed.exitCode;
    }
    for (const QString &warning : parsed.warnings)
        tr::cli::printError(warning);
    return checked(tr::cli::runCommand(parsed.options));
}
