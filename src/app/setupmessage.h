#pragma once

#include "domain/tooldirs.h"

#include <QString>

namespace tr {

// What the window says when the user's folders cannot be set up at start.
QString setupMessage(const SetupError &error);

} // namespace tr
