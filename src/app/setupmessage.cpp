#include "app/setupmessage.h"

#include <QCoreApplication>
#include <QDir>

namespace tr {

QString setupMessage(const SetupError &error) {
    const QString path = QDir::toNativeSeparators(error.path);
    switch (error.kind) {
    case SetupError::Kind::NoDefault:
        return QCoreApplication::translate("tr::setupMessage",
                                           "找不到默认设置文件 %1，请重新安装本程序")
            .arg(path);
    case SetupError::Kind::CannotCreate:
        return QCoreApplication::translate("tr::setupMessage",
                                           "无法创建文件夹 %1：磁盘已满或没有写入权限")
            .arg(path);
    case SetupError::Kind::CannotCopy:
        break;
    }
    return QCoreApplication::translate("tr::setupMessage",
                                       "无法创建设置文件 %1：磁盘已满或没有写入权限")
        .arg(path);
}

} // namespace tr
