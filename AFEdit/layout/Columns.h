// Display columns of Shift-JIS rows: tab expansion and column/byte
// conversions that need no control state.
//
// Display text is one byte per column. A tab is widened to the next tab stop
// as filler bytes (kFillerByte) followed by the tab byte itself, so the tab
// byte is the last column of its span. Tab stops count from the first byte of
// the expanded string. A zero byte ends the text; the bytes after it are not
// shown. Tabs are found multibyte-aware: a 0x09 that is the second byte of a
// two-byte character is not a tab.
#pragma once

#include <string>
#include <string_view>

inline constexpr char kTabByte = '\x09';
inline constexpr char kFillerByte = '\x0B';

// Replaces `out` with the expansion of S. ToSpaces widens each tab to spaces
// instead of fillers plus tab. `out` keeps its capacity, so a buffer that is
// reused allocates only when a row is longer than any before it. TabSize < 1
// counts as 1.
void ExpandTabsInto(std::string& out, std::string_view S, bool ToSpaces, int TabSize);

// Appends the expansion of S to Out; tab stops count from where it starts.
// S must not lie in Out's buffer.
void AppendExpandedTabs(std::string& Out, std::string_view S, bool ToSpaces, int TabSize);

// Replaces Out with a row's display text: Indent spaces (a negative indent
// counts as none), then its text with tabs expanded to fillers.
void BuildDisplayText(std::string& Out, std::string_view Text, int Indent, int TabSize);

// Length of the expansion of S (the same with fillers or with spaces),
// computed without building it.
int ExpandedWidth(std::string_view S, int TabSize) noexcept;

// Bytes of stored text before display column Col of the display text D of a
// row with Indent leading spaces. A column inside a tab's span counts as the
// start of that span, so the whole tab falls after the cut. Columns past the
// end count the whole row.
int DisplayToByteCount(std::string_view D, int Col, int Indent) noexcept;
