#pragma once

#include "platform/Exception.h"

SONAVIA_ERROR_CLASS(EMMLevelError, platform::Exception)
SONAVIA_ERROR_CLASS(EMMMeterError, platform::Exception)
