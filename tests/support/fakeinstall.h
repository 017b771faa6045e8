#pragma once

#include "support/files.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace tr::test {

// An installed program in a temporary home: <home>/usr/bin is its program directory, read-only
// defaults in <home>/usr/share/tr6400; the user's folders are those of QStandardPaths' test mode.
struct FakeInstall {
    QTemporaryDir home;
    QString bin = home.filePath(QStringLiteral("usr/bin"));
    QString defaults = home.filePath(QStringLiteral("usr/share/tr6400"));
    QString config = home.filePath(QStringLiteral(".qttest/config/tr6400"));
    QString documents = home.filePath(QStringLiteral("Documents/TR6400"));

    FakeInstall() {
        qputenv("HOME", home.path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        QStandardPaths::setTestModeEnabled(true);
        QDir().mkpath(bin);
        QDir().mkpath(defaults);
        writeFile(defaults + QStringLiteral("/comm.set"), "4,19200\r\n");
        writeFile(defaults + QStringLiteral("/ModSet.set"), "1,2,8,1\r\n");
        for (const char *name : {"/comm.set", "/ModSet.set"})
            QFile::setPermissions(defaults + QLatin1String(name),
                                  QFile::ReadOwner | QFile::ReadOther);
    }
};

} // namespace tr::test
