#include "cli/settingsdefaults.h"

#include "domain/settingsfile.h"

#include <QFile>

namespace tr::cli {

namespace {

QString malformed(const char *file, const SettingsError &error, const char *layout) {
    return QStringLiteral("%1: field %2 is missing or not a whole number (expected %3)")
        .arg(QLatin1String(file))
        .arg(error.field)
        .arg(QLatin1String(layout));
}

std::optional<QByteArray> readIfPresent(const QString &path, QString &error) {
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace

SettingsDefaults settingsDefaults(const std::optional<QByteArray> &commSet,
                                  const std::optional<QByteArray> &modSet) {
    SettingsDefaults d;
    if (commSet) {
        const SettingsFields f = readSettingsFields(*commSet, 2);
        if (f.ok()) {
            d.port = f.values[0];
            d.baud = f.values[1];
        } else {
            d.commError = malformed("comm.set", *f.error, "\"port,baud\"");
        }
    }
    if (modSet) {
        const SettingsFields f = readSettingsFields(*modSet, 4);
        if (f.ok()) {
            d.station = f.values[1];
            d.count = f.values[2];
        } else {
            d.modError = malformed("ModSet.set", *f.error, "four integers");
        }
    }
    return d;
}

SettingsDefaults loadSettingsDefaults(const ToolDirs &dirs) {
    QString commError;
    QString modError;
    const auto comm = readIfPresent(dirs.commSet(), commError);
    const auto mod = readIfPresent(dirs.modSet(), modError);
    SettingsDefaults d = settingsDefaults(comm, mod);
    if (!commError.isEmpty())
        d.commError = commError;
    if (!modError.isEmpty())
        d.modError = modError;
    return d;
}

} // namespace tr::cli
