// Helpers shared by the test binaries.
#pragma once

#include <filesystem>
#include <string>

namespace TestUtil {
bool& QtWarningsAllowedFlag();
inline bool QtWarningsAllowed() { return QtWarningsAllowedFlag(); }

// Lets a test provoke Qt warnings on purpose for its lifetime.
struct AllowQtWarnings {
  AllowQtWarnings() { QtWarningsAllowedFlag() = true; }
  ~AllowQtWarnings() { QtWarningsAllowedFlag() = false; }
};
}  // namespace TestUtil
