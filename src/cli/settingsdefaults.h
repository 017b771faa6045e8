#pragma once

#include "domain/tooldirs.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tr::cli {

// What comm.set and ModSet.set beside the executable contribute to the command line.
struct SettingsDefaults {
    std::optional<int> port; // comm.set field 1: COMn
    std::optional<int> baud; // comm.set field 2
    QString commError;       // comm.set present but unreadable or malformed

    std::optional<int> station; // ModSet.set field 2
    std::optional<int> count;   // ModSet.set field 3
    QString modError;
};

// The contents of both files; nothing for a file that does not exist. Errors name the file and
// the field, in English.
SettingsDefaults settingsDefaults(const std::optional<QByteArray> &commSet,
                                  const std::optional<QByteArray> &modSet);

// Reads comm.set and ModSet.set where the tool keeps its settings.
SettingsDefaults loadSettingsDefaults(const ToolDirs &dirs);

} // namespace tr::cli
