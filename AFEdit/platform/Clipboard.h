// The system clipboard.  Hotaru puts its text there twice: as Unicode for
// other programs and as the exact CP932 bytes under a private type, so that
// copy and paste within Hotaru never change a byte.
#pragma once

#include <string>
#include <string_view>

class TClipboard {
public:
  // Text (CP932) goes on the clipboard as Unicode, Exact beside it under
  // the private type.
  static void Put(std::string_view Text, std::string_view Exact);
  // The clipboard's bytes: Hotaru's exact bytes (Own), else its Unicode
  // text in CP932 with every character without a code replaced by "・"
  // (Replaced tells whether one was).
  static std::string Take(bool& Own, bool& Replaced);
};
