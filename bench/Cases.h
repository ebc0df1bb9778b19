// The benchmark cases, registered in the order they run.
#pragma once

#include <cstddef>

namespace bench {

void RegisterEditCases();      // EditBench.cpp: undo group, append rows
void RegisterLoadSaveCases();  // LoadSaveBench.cpp: load, save
// WrapBench.cpp: re-wrap, keystroke, and the paragraph as the last row, of
// `lastRowBytes` bytes.
void RegisterWrapCases(size_t lastRowBytes);
// PaintBench.cpp: full repaint and line scroll of a 120 x 50-cell view.
void RegisterPaintCases();
// TypingBench.cpp: typing into a short and a 1 MiB paragraph.
void RegisterTypingCases();

// Removes the temporary files of the load and save cases.
void RemoveLoadSaveFiles();

}  // namespace bench
