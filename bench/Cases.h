// The benchmark cases, registered in the order they run.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

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

// FindBench.cpp: find next, the regular-expression path and Replace all over
// 64 MiB of prose.
void RegisterFindCases();
// FirstKeyBench.cpp: the first key typed into one-line files of 1, 16 and
// 64 MiB.
void RegisterFirstKeyCases();
// Writes the one-line files of 16 and 64 MiB (oneline16.txt, oneline64.txt)
// into Dir; false, after a message on stderr, when one cannot be written.
bool WriteFirstKeyFiles(const std::string& Dir);

// MemoryBench.cpp: resident bytes per row after a load, and history bytes per
// keystroke at the start of long paragraphs.
void RegisterMemoryCases();
// Writes the files of the RowBytes cases (prose64.txt, short10m.txt) into Dir;
// false, after a message on stderr, when one cannot be written.
bool WriteRowFiles(const std::string& Dir);

// Removes the temporary files of the load and save cases.
void RemoveLoadSaveFiles();
// A file of the benchmarks' temporary folder holding Make()'s bytes, written
// on first use and removed with the load and save files.
const std::string& BenchFile(const std::string& Name, const std::function<std::string()>& Make);

}  // namespace bench
