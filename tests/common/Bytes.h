// Byte strings for tests, shared by the core's tests and the widget's.
#pragma once

#include <initializer_list>
#include <string>

namespace TestUtil {

// The bytes given by number, in order.
inline std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string s;
  for (unsigned b : bytes) s += static_cast<char>(b);
  return s;
}

}  // namespace TestUtil
