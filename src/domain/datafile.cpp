#include "domain/datafile.h"

#include <QCoreApplication>
#include <QFile>

namespace tr {

QByteArray dataRecord(const QDateTime &when, const QString &valueLine) {
    const QString text = when.toString(QStringLiteral("yyyy-M-d H:mm:ss")) + QStringLiteral("   ") +
                         valueLine + QStringLiteral("   ");
    return '"' + text.toLocal8Bit() + "\"\r\n";
}

QByteArray clearedDataFile() {
    return QByteArrayLiteral("\"\"\r\n");
}

std::optional<QString> appendRecord(const QString &path, const QByteArray &record) {
    if (path.isEmpty())
        return QCoreApplication::translate("tr::DataFile", "路径为空");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    const qint64 before = file.size();
    if (file.write(record) == record.size() && file.flush())
        return std::nullopt;
    const QString reason = file.errorString();
    // A half record would corrupt the next line; take it back.
    file.resize(before);
    return reason;
}

std::optional<QString> replaceFile(const QString &path, const QByteArray &content) {
    if (path.isEmpty())
        return QCoreApplication::translate("tr::DataFile", "路径为空");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.errorString();
    if (file.write(content) == content.size() && file.flush())
        return std::nullopt;
    return file.errorString();
}

} // namespace tr
