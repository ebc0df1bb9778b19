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
#include <vector>

inline constexpr char kTabByte = '\x09';
inline constexpr char kFillerByte = '\x0B';

// A tab or one of its fillers in display text.
inline bool IsTabOrFiller(char c) noexcept { return c == kTabByte || c == kFillerByte; }

// The shown part of S: everything before its first zero byte.
std::string_view ShownText(std::string_view S) noexcept;

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

// Bytes of the stored text Text (as shown: before its first zero byte)
// before display column Col of its row, whose display text begins with
// Indent spaces (a negative indent counts as none). A column inside a tab's
// span counts as the start of that span, so the whole tab falls after the
// cut; columns past the end count the whole text, and a column inside the
// indent gives Col - Indent (not above 0). The text itself is read, not its
// display text: a 0x0B byte of the text right before a tab looks just like
// that tab's fillers there.
int DisplayToByteCount(std::string_view Text, int Col, int Indent, int TabSize) noexcept;
// DisplayToByteCount(Text, c, Indent, TabSize) for every column c of
// From ... To, into Out[c - From], in one pass over Text.
void DisplayByteIndexes(std::string_view Text, int From, int To, int Indent, int TabSize, std::vector<int>& Out);

// ---- the measure word wrap works in ----
// Word wrap measures every byte of a row, a zero byte included (the display
// text stops at a zero byte), so that the bytes it moves between rows are
// always the bytes it measured. Otherwise the same as the display text.

// Replaces Out with the layout text of a row: Indent spaces (a negative
// indent counts as none), then all of Text with tabs expanded to fillers.
void BuildLayoutText(std::string& Out, std::string_view Text, int Indent, int TabSize);
// Appends all of Text expanded; tab stops count from where it starts.
void AppendLayoutText(std::string& Out, std::string_view Text, int TabSize);
// Columns all of S takes, tab stops counted from its first byte.
int LayoutWidth(std::string_view S, int TabSize) noexcept;
// Bytes of S (tab stops counted from its first byte) that end at or before
// column Col: a tab whose span reaches past Col stays after the cut.
size_t LayoutByteCount(std::string_view S, int Col, int TabSize) noexcept;
