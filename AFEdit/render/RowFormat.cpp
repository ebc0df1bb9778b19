#include "AFEdit/render/RowFormat.h"

#include <algorithm>
#include <cctype>

namespace {

// Reads a decimal field, capped; returns false when there were no digits.
bool ReadNumber(std::string_view f, size_t& i, int& out) {
  if (i >= f.size() || !std::isdigit(static_cast<unsigned char>(f[i]))) return false;
  long long v = 0;
  while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) {
    v = std::min<long long>(v * 10 + (f[i] - '0'), kMaxRowFormatWidth);
    ++i;
  }
  out = static_cast<int>(v);
  return true;
}

}  // namespace

std::string FormatRowNumber(std::string_view Format, long long Number) {
  std::string out;
  size_t i = 0;
  while (i < Format.size()) {
    const char c = Format[i];
    if (c != '%') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 < Format.size() && Format[i + 1] == '%') {
      out.push_back('%');
      i += 2;
      continue;
    }
    // Parse %[flags][width][.precision](d|i); on anything else the directive
    // is copied as it stands.
    const size_t start = i++;
    bool left = false, plus = false, space = false, zero = false;
    for (; i < Format.size(); ++i) {
      const char fl = Format[i];
      if (fl == '-') left = true;
      else if (fl == '+') plus = true;
      else if (fl == ' ') space = true;
      else if (fl == '0') zero = true;
      else if (fl == '#') {}
      else break;
    }
    int width = 0, precision = -1;
    ReadNumber(Format, i, width);
    if (i < Format.size() && Format[i] == '.') {
      ++i;
      precision = 0;
      ReadNumber(Format, i, precision);
    }
    if (i >= Format.size() || (Format[i] != 'd' && Format[i] != 'i')) {
      out.append(Format.substr(start, i - start));
      continue;
    }
    ++i;

    const bool negative = Number < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(Number)
                                            : static_cast<unsigned long long>(Number);
    std::string digits;
    do {
      digits.push_back(static_cast<char>('0' + magnitude % 10));
      magnitude /= 10;
    } while (magnitude);
    if (precision == 0 && Number == 0) digits.clear();
    while (static_cast<int>(digits.size()) < precision) digits.push_back('0');
    std::reverse(digits.begin(), digits.end());
    std::string sign = negative ? "-" : plus ? "+" : space ? " " : "";
    const int pad = width - static_cast<int>(sign.size() + digits.size());
    if (pad <= 0) {
      out += sign + digits;
    } else if (left) {
      out += sign + digits + std::string(static_cast<size_t>(pad), ' ');
    } else if (zero && precision < 0) {
      out += sign + std::string(static_cast<size_t>(pad), '0') + digits;
    } else {
      out += std::string(static_cast<size_t>(pad), ' ') + sign + digits;
    }
  }
  return out;
}
