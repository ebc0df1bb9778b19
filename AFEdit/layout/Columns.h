// Display columns of Shift-JIS rows: tab expansion and column/byte
// conversions that need no control state.
#pragma once

#include <string>
#include <string_view>
