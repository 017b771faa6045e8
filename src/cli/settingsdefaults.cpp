#include "cli/settingsdefaults.h"

#include "app/settingsfile.h"

#include <QFile>

namespace tr::cli {

namespace {

// The reader's reasons are the window's Chinese texts; the first field that fails is found by
// asking for one field more each time, and named in English.
QString malformed(const char *file, const QByteArray &content, int count, const char *layout) {
    int field = 1;
    while (field < count && readSettingsFields(content, field).ok())
        ++field;
    return QStringLiteral("%1: field %2 is missing or not a whole number (expected %3)")
        .arg(QLatin1String(file))
        .arg(field)
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
            d.commError = malformed("comm.set", *commSet, 2, "\"port,baud\"");
        }
    }
    if (modSet) {
        const SettingsFields f = readSettingsFields(*modSet, 4);
        if (f.ok()) {
            d.station = f.values[1];
            d.count = f.values[2];
        } else {
            d.modError = malformed("ModSet.set", *modSet, 4, "four integers");
        }
    }
    return d;
}

SettingsDefaults loadSettingsDefaults(const QString &programDir) {
    QString commError;
    QString modError;
    const auto comm = readIfPresent(programDir + QStringLiteral("/comm.set"), commError);
    const auto mod = readIfPresent(programDir + QStringLiteral("/ModSet.set"), modError);
    SettingsDefaults d = settingsDefaults(comm, mod);
    if (!commError.isEmpty())
        d.commError = commError;
    if (!modError.isEmpty())
        d.modError = modError;
    return d;
}

} // namespace tr::cli
