#pragma once

#include <QString>

namespace tr {

// Where the tool keeps its files. A portable tool keeps everything in its program directory:
// the settings files, ports/, the default data file and the export folder txt/.
struct ToolDirs {
    QString settings; // comm.set, ModSet.set and ports/
    QString data;     // the default data file and the export folder

    static ToolDirs portable(const QString &programDir) { return {programDir, programDir}; }

    QString commSet() const { return settings + QStringLiteral("/comm.set"); }
    QString modSet() const { return settings + QStringLiteral("/ModSet.set"); }
    QString ports() const { return settings + QStringLiteral("/ports"); }
    // A forward slash even on Windows, as the data-file box has always shown it.
    QString defaultDataFile() const { return data + QStringLiteral("/dataGet.txt"); }
    QString exportFolder() const { return data + QStringLiteral("/txt"); }
    // File dialogs start in the export folder, or in the data folder while there is none.
    QString dialogFolder() const;
};

} // namespace tr
