#include "cli/commandline.h"
#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/runcommand.h"
#include "cli/settingsdefaults.h"
#include "version/version.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const tr::ToolDirs dirs = tr::ToolDirs::portable(QCoreApplication::applicationDirPath());
    const QStringList args = QCoreApplication::arguments().mid(1);

    const tr::cli::ParsedCommandLine parsed =
        tr::cli::parseCommandLine(args, tr::cli::loadSettingsDefaults(dirs), dirs);
    if (parsed.help) {
        tr::cli::printLine(tr::cli::helpText().trimmed());
        return tr::cli::ExitOk;
    }
    if (parsed.version) {
        tr::cli::printLine(QStringLiteral("tr6400-cli %1").arg(QLatin1String(tr::kVersion)));
        return tr::cli::ExitOk;
    }
    if (!parsed.ok()) {
        tr::cli::printError(parsed.error);
        if (parsed.exitCode == tr::cli::ExitUsage)
            tr::cli::printNote(QStringLiteral("Try 'tr6400-cli --help'."));
        return parsed.exitCode;
    }
    return tr::cli::runCommand(parsed.options);
}
