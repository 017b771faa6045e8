#pragma once

#include "domain/exportparse.h"

#include <QString>

namespace tr {

// Why a list or file was refused, without its line: "通道重复（第1行已有通道2）". The one wording of
// each fault, Chinese in the source; the window's English translation words it for the English
// window and for tr6400-cli, which installs that translation.
QString exportFaultReason(const ParsedExport &parsed);

} // namespace tr
