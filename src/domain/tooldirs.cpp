#include "domain/tooldirs.h"

#include <QFileInfo>

namespace tr {

QString ToolDirs::dialogFolder() const {
    return QFileInfo(exportFolder()).isDir() ? exportFolder() : data;
}

} // namespace tr
