// The DCB that the lamp's line is set with, built apart from the port so
// that it can be checked field by field.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace platform::win32 {

// reported is what GetCommState gave (zeroed when it failed). Every field
// that decides how bytes cross the line is set here, whatever program used
// the port before: hardware flow control left on would make every write time
// out, DTR left off would keep the board from resetting at the open and
// sending its identity, and abort-on-error would stop all I/O after one
// framing error while the board resets.
DCB LampLineRecord(DCB reported, const LineSettings& settings);

}  // namespace platform::win32
