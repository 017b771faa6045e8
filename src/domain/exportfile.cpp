#include "domain/exportfile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace tr {

QByteArray exportBytes(const QString &list) {
    // A QPlainTextEdit hands its lines back with bare LF; ReadAllText holds CR LF.
    QString body = list;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return (QLatin1Char('"') + body + QStringLiteral("\"\r\n")).toLocal8Bit();
}

QString exportFileName(const QString &chosen) {
    if (chosen.endsWith(QStringLiteral(".txt"), Qt::CaseSensitive))
        return chosen;
    return chosen + QStringLiteral(".txt");
}

std::optional<QString> writeExport(const QString &path, const QByteArray &bytes) {
    // QSaveFile writes beside the target and renames on commit: no half-written export remains.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace tr
