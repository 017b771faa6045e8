#pragma once

#include "domain/exportparse.h"
#include "panels/batchwrite.h"

#include <QString>

namespace tr {

// Why a list or file was refused, for a message: "第3行 通道重复（第1行已有通道2）".
QString exportFaultWords(const ParsedExport &parsed);

// Where and why a batch write stopped, and which channels it finished.
QString batchStopWords(const BatchWrite::Outcome &outcome);

} // namespace tr
