#pragma once

#include <QString>
#include <optional>

namespace tr {

// Where the tool keeps its files. A portable tool keeps everything in its program directory:
// the settings files, ports/, the default data file and the export folder txt/. An installed
// one keeps them in the user's folders (see ToolDirs::locate).
struct ToolDirs {
    QString settings; // comm.set, ModSet.set and ports/
    QString data;     // the default data file and the export folder

    static ToolDirs portable(const QString &programDir) { return {programDir, programDir}; }
    // An installed program: settings and ports/ in the user's config folder (~/.config/tr6400
    // on Linux), the data file and exports where the user finds them (~/Documents/TR6400).
    static ToolDirs perUser();
    // Portable while the program directory is writable and holds comm.set (the build tree, a
    // copied folder) or nothing is installed beside it; per-user otherwise.
    static ToolDirs locate(const QString &programDir);

    QString commSet() const { return settings + QStringLiteral("/comm.set"); }
    QString modSet() const { return settings + QStringLiteral("/ModSet.set"); }
    QString ports() const { return settings + QStringLiteral("/ports"); }
    // A forward slash even on Windows, as the data-file box has always shown it.
    QString defaultDataFile() const { return data + QStringLiteral("/dataGet.txt"); }
    QString exportFolder() const { return data + QStringLiteral("/txt"); }
    // File dialogs start in the export folder, or in the data folder while there is none.
    QString dialogFolder() const;
};

// The installed default settings: <prefix>/share/tr6400 for a program in <prefix>/bin (as laid
// out by the install rules).
QString installedDefaults(const QString &programDir);

struct SetupError {
    enum class Kind {
        NoDefault,    // the installed default settings file is missing
        CannotCreate, // a folder could not be made
        CannotCopy,   // a default could not be copied (read-only home, disk full)
    };
    Kind kind;
    QString path;   // the file or folder concerned
    QString reason; // the system's words, empty when it gave none
};

// Makes the per-user folders and copies each missing settings file from the installed
// defaults; a file the user already has is never touched.
std::optional<SetupError> seedUserDirs(const ToolDirs &dirs, const QString &defaultsDir);

struct ToolSetup {
    ToolDirs dirs;
    std::optional<SetupError> error;
};

// What both programs do at start: locate, then seed when installed (a portable program's
// folder is left as it is).
ToolSetup setUpToolDirs(const QString &programDir);

} // namespace tr
