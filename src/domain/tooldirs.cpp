#include "domain/tooldirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

// Set by the build from the install layout; this is GNUInstallDirs' default.
#ifndef TR_DEFAULTS_FROM_BINDIR
#define TR_DEFAULTS_FROM_BINDIR "../share/tr6400"
#endif

namespace tr {

namespace {

// Both programs share one folder, so it is named here rather than taken from the program name.
const QString kConfigFolder = QStringLiteral("/tr6400");
const QString kDataFolder = QStringLiteral("/TR6400");

bool isPortable(const QString &programDir) {
    return QFileInfo(programDir).isWritable() &&
           QFileInfo::exists(ToolDirs::portable(programDir).commSet());
}

} // namespace

QString ToolDirs::dialogFolder() const {
    return QFileInfo(exportFolder()).isDir() ? exportFolder() : data;
}

ToolDirs ToolDirs::perUser() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kConfigFolder,
            documents + kDataFolder};
}

ToolDirs ToolDirs::locate(const QString &programDir) {
    // Without installed defaults there is nothing to seed from: a build tree or copied folder
    // whose comm.set went missing keeps reporting that file, as it always has.
    if (isPortable(programDir) || !QFileInfo(installedDefaults(programDir)).isDir())
        return portable(programDir);
    return perUser();
}

QString installedDefaults(const QString &programDir) {
    return QDir::cleanPath(programDir + QStringLiteral("/" TR_DEFAULTS_FROM_BINDIR));
}

std::optional<SetupError> seedUserDirs(const ToolDirs &dirs, const QString &defaultsDir) {
    for (const QString &folder : {dirs.settings, dirs.ports(), dirs.data}) {
        if (!QDir().mkpath(folder))
            return SetupError{SetupError::Kind::CannotCreate, folder, {}};
    }
    for (const QString &target : {dirs.commSet(), dirs.modSet()}) {
        // A dangling link counts as the user's own file too: never replace it.
        const QFileInfo existing(target);
        if (existing.exists() || existing.isSymLink())
            continue;
        const QString source = defaultsDir + QLatin1Char('/') + existing.fileName();
        if (!QFileInfo::exists(source))
            return SetupError{SetupError::Kind::NoDefault, source, {}};
        // QFile::copy writes a temporary file and renames it: a full disk leaves no half file.
        QFile from(source);
        if (!from.copy(target))
            return SetupError{SetupError::Kind::CannotCopy, target, from.errorString()};
        // The copy keeps the installed file's mode; "保存设置" must be able to write it.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
    return std::nullopt;
}

ToolSetup setUpToolDirs(const QString &programDir) {
    const ToolDirs dirs = ToolDirs::locate(programDir);
    if (dirs.settings == programDir)
        return {dirs, std::nullopt};
    return {dirs, seedUserDirs(dirs, installedDefaults(programDir))};
}

} // namespace tr
