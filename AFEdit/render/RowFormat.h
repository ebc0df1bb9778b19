// Row numbers in the left margin are formatted with a format string that the
// program sets.  It never reaches printf: this small formatter understands the
// integer directive (%d or %i with the flags - + space 0 #, a width and a
// precision) and "%%"; everything else is copied as literal text.  Widths and
// precisions are capped, so no string can make it read memory or allocate
// without bound.
#pragma once

#include <string>
#include <string_view>

constexpr int kMaxRowFormatWidth = 64;

std::string FormatRowNumber(std::string_view Format, long long Number);
