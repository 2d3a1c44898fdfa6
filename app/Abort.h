#pragma once

#include "platform/Exception.h"

namespace app {

using platform::Exception;

// Abandons the current operation without telling anyone: the application handler lets
// it pass silently. Raised after the operator has already been told why.
SONAVIA_ERROR_CLASS(EAbort, Exception)

} // namespace app
