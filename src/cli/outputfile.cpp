#include "cli/outputfile.h"

#include <QFileInfo>
#include <sys/stat.h>

namespace tr::cli {

std::optional<QString> notARegularFile(const QString &path) {
    const QFileInfo info(path); // follows a link, as the write would
    if (!info.exists() || info.isFile())
        return std::nullopt;
    if (info.isDir())
        return QStringLiteral("a directory");
#ifndef _WIN32
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            return QStringLiteral("a device");
        if (S_ISFIFO(st.st_mode))
            return QStringLiteral("a FIFO");
        if (S_ISSOCK(st.st_mode))
            return QStringLiteral("a socket");
    }
#endif
    return QStringLiteral("no regular file");
}

} // namespace tr::cli
