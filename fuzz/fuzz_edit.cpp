// Fuzz target: edit scripts on a fresh control.
//
// Input encoding (every byte past the end reads as 0):
//   byte 0        UndoMax, as fuzz::UndoMaxChoice decodes it
//   then steps    one op byte (b % kOpCount, see TOp) and its arguments:
//     SetRow      row, NewGroup bit, row text
//     InsertRow   row (0..RowCount), row whose record is the template, text
//     DeleteRow   row (skipped when one row is left, or when deleting the
//                 last row would leave a CR on the new last row)
//     AppendLine  text
//     Rewrap      row
//     Undo, Redo  -
//     UndoRedo    n (1..4): n undos, then n redos, each checked
//     UndoAll     undoes everything since the last load or Clear
//     Save        kind (bit 0: file, else stream), mode (index into kSaveModes)
//     Load        mode index; without a saved stream: length (b % 64) and
//                 that many raw bytes, loaded as text (bit 0 of the mode
//                 byte clear) or as a binary document
//     LoadBinary  a binary document built from the input: row count
//                 (1..4), per row: Indent, WrapPos, length (b % 16) and raw
//                 bytes (CR anywhere, LF never)
//     Clear, SelectAll, NewGroup  -
//     Options     bits 0..2: aoAutoFormat, aoJpnBanBreak, aoWordWrap
//     RowAttr     row, WrapPos (1..20), Indent (-3..10)
//     TabSize     1..8
//     Caret       row, column (0..the row's display width)
//     UndoMax     as byte 0
//   A row text is encoded as fuzz::RowText describes; CR only where the row
//   is not the document's last.
//
// After every step the control's invariants are checked.  Properties of the
// history: an undo followed by a redo gives back the same rows and the same
// Edited(); after saving to a file Edited() is false; with an unlimited
// history, undoing everything since a load or Clear gives back the text at
// that moment.  HOTARU_FUZZ_TRACE=1 prints every step.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/FileError.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

enum TOp {
  opSetRow, opInsertRow, opDeleteRow, opAppendLine, opRewrap, opUndo, opRedo, opUndoRedo,
  opUndoAll, opSave, opLoad, opLoadBinary, opClear, opSelectAll, opNewGroup, opOptions,
  opRowAttr, opTabSize, opCaret, opUndoMax, kOpCount
};

const char* const kOpNames[] = {
  "SetRow", "InsertRow", "DeleteRow", "AppendLine", "Rewrap", "Undo", "Redo", "UndoRedo",
  "UndoAll", "Save", "Load", "LoadBinary", "Clear", "SelectAll", "NewGroup", "Options",
  "RowAttr", "TabSize", "Caret", "UndoMax"};
static_assert(sizeof kOpNames / sizeof kOpNames[0] == kOpCount);

// Save modes: text as held, binary, expanded tabs, indent as tabs, indent as
// spaces, every row a line, and mixes.
const int kSaveModes[] = {0, 1, 2, 8, 16, 32, 32 | 8, 2 | 16};
// Text load modes: as is, expand tabs, leading tabs to indent, both.
const int kLoadModes[] = {0, 2, 4, 2 | 4};

std::vector<std::string> Rows(const TCustomAFEdit& E) {
  std::vector<std::string> v;
  v.reserve(static_cast<size_t>(E.RowCount()));
  for (int i = 0; i < E.RowCount(); ++i) v.push_back(E.RowText(i).str());
  return v;
}

bool EndsWithCr(const TCustomAFEdit& E, int Row) { return E.RowHasLineEnd(Row); }

// HOTARU_FUZZ_TRACE=1 prints every step.
bool Tracing() {
  static const bool on = [] {
    const char* v = std::getenv("HOTARU_FUZZ_TRACE");
    return v && *v && *v != '0';
  }();
  return on;
}

class TScript {
public:
  TScript(const uint8_t* Data, size_t Size) : In(Data, Size) {}

  void Run() {
    E.SetUndoMax(UndoMaxChoice(In.Byte()));
    E.Clear();
    Check(E, "Clear");
    Reset();
    for (int step = 0; !In.Done() && step < 400; ++step) {
      const int op = In.Byte() % kOpCount;
      Step(op);
      if (Tracing())
        std::fprintf(stderr, "%3d %-10s rows %d caret %d,%d undo max %d edited %d\n", step, kOpNames[op],
                     E.RowCount(), E.Caret().Y, E.Caret().X, E.UndoMax(), E.Edited() ? 1 : 0);
      Check(E, kOpNames[op]);
    }
  }

private:
  // The document was replaced (load or Clear): its text is what undoing
  // everything must give back.
  void Reset() {
    FBaseText = E.Text();
    FUnlimited = E.UndoMax() < 0;
  }

  int Row() { return In.Byte() % E.RowCount(); }
  int Last() const { return E.RowCount() - 1; }

  void Step(int Op) {
    switch (Op) {
      case opSetRow: {
        const int r = Row();
        const bool group = In.Bit();
        E.SetRowText(r, RowText(In, r != Last()), group);
        break;
      }
      case opInsertRow: {
        const int r = In.Byte() % (E.RowCount() + 1);
        TLineAttr a = E.LineAttrs().PeekAttr(Row());
        E.InsertRow(r, RowText(In, r < E.RowCount()), a);
        break;
      }
      case opDeleteRow: {
        // The row selection follows, as the control's own callers of
        // DeleteRow keep it.
        const int r = Row();
        if (E.RowCount() > 1 && !(r == Last() && EndsWithCr(E, r - 1))) {
          E.DeleteRow(r);
          if (E.Sel().HasRowSel()) E.Sel().RowDeleted(r);
        }
        break;
      }
      case opAppendLine: E.AppendLine(RowText(In, false)); break;
      case opRewrap: E.RewrapRow(Row()); break;
      case opUndo: E.Undo(); break;
      case opRedo: E.Redo(); break;
      case opUndoRedo: UndoRedo(In.Int(1, 4)); break;
      case opUndoAll: UndoAll(); break;
      case opSave: Save(); break;
      case opLoad: Load(); break;
      case opLoadBinary: LoadBinary(); break;
      case opClear:
        E.Clear();
        Reset();
        break;
      case opSelectAll: E.SelectAll(); break;
      case opNewGroup: E.NewEditGroup(); break;
      case opOptions: {
        const uint8_t b = In.Byte();
        TAFEditOptions o = E.Options() - TAFEditOptions{aoAutoFormat, aoJpnBanBreak, aoWordWrap};
        if (b & 1) o += {aoAutoFormat};
        if (b & 2) o += {aoJpnBanBreak};
        if (b & 4) o += {aoWordWrap};
        E.SetOptions(o);
        break;
      }
      case opRowAttr: {
        TLineAttr& a = E.LineAttrs().GetAttr(Row());
        a.WrapPos = static_cast<int16_t>(In.Int(1, 20));
        a.Indent = static_cast<int16_t>(In.Int(-3, 10));
        break;
      }
      case opTabSize: E.SetTabSize(In.Int(1, 8)); break;
      case opCaret: {
        const int r = Row();
        const int width = static_cast<int>(E.RowDisplayText(r).size());
        E.SetCaretPos({In.Byte() % (width + 1), r});
        break;
      }
      case opUndoMax: {
        E.SetUndoMax(UndoMaxChoice(In.Byte()));
        if (E.UndoMax() >= 0) FUnlimited = false;
        break;
      }
      default: break;
    }
  }

  // N undos, then N redos: each redo gives back the rows and the Edited()
  // state seen before the matching undo.
  void UndoRedo(int N) {
    struct TState {
      std::vector<std::string> Rows;
      bool Edited;
    };
    std::vector<TState> seen;
    for (int i = 0; i < N && E.UndoBuff().UndoItem(); ++i) {
      seen.push_back({Rows(E), E.Edited()});
      E.Undo();
      Check(E, "Undo (UndoRedo)");
    }
    for (size_t i = seen.size(); i-- > 0;) {
      E.Redo();
      Check(E, "Redo (UndoRedo)");
      if (Rows(E) != seen[i].Rows) Fail("Redo after Undo does not give back the rows");
      if (E.Edited() != seen[i].Edited) Fail("Redo after Undo does not give back Edited()");
    }
  }

  void UndoAll() {
    for (int i = 0; i < 100000 && E.UndoBuff().UndoItem(); ++i) {
      E.Undo();
      Check(E, "Undo (UndoAll)");
    }
    if (E.UndoBuff().UndoItem()) Fail("the history never ends");
    if (FUnlimited && E.Text() != FBaseText)
      Fail("undoing everything with an unlimited history does not give back the loaded text");
  }

  void Save() {
    const bool toFile = In.Bit();
    const int mode = kSaveModes[In.Byte() % (sizeof kSaveModes / sizeof kSaveModes[0])];
    if (toFile) {
      const std::string path = ScratchDir() + "/doc";
      E.SaveToFile(path, mode);
      if (E.Edited()) Fail("Edited() after SaveToFile");
      std::ifstream f(path, std::ios::binary);
      std::ostringstream bytes;
      bytes << f.rdbuf();
      FSaved = bytes.str();
    } else {
      std::ostringstream s;
      E.SaveToStream(s, mode);
      FSaved = s.str();
    }
    FSavedBinary = (mode & 1) != 0;
    FHaveSaved = true;
  }

  // Loads Bytes; a load that fails must leave the document as it was.
  void LoadBytes(const std::string& Bytes, int Mode, bool MustLoad) {
    const std::string before = E.Text();
    const int rows = E.RowCount();
    std::istringstream s(Bytes);
    try {
      E.LoadFromStream(s, Mode);
    } catch (const EFileError& err) {
      if (MustLoad) Fail(std::string("a saved document does not load: ") + err.what());
      if (E.Text() != before || E.RowCount() != rows) Fail("a failed load changed the document");
      return;
    }
    Reset();
  }

  void Load() {
    const uint8_t m = In.Byte();
    if (FHaveSaved) {
      LoadBytes(FSaved, FSavedBinary ? 1 : kLoadModes[m % 4], true);
    } else {
      const std::string raw(In.Bytes(In.Byte() % 64));
      LoadBytes(raw, (m & 1) ? 1 : kLoadModes[(m >> 1) % 4], false);
    }
  }

  // A binary document whose rows hold any byte but LF, CR included.
  void LoadBinary() {
    const int n = In.Int(1, 4);
    std::string text, records;
    for (int r = 0; r < n; ++r) {
      TLineAttr a;
      a.TextColor = clWindowText;
      a.BackColor = clWindow;
      a.Indent = static_cast<int16_t>(In.Int(-3, 10));
      a.WrapPos = static_cast<int16_t>(In.Int(1, 20));
      std::string row(In.Bytes(In.Byte() % 16));
      for (char& c : row)
        if (c == '\n') c = '\r';
      text += row;
      text += '\n';
      unsigned char rec[kLineAttrDiskSize];
      EncodeLineAttr(a, rec);
      records.append(reinterpret_cast<const char*>(rec), sizeof rec);
    }
    const auto recordOffset = static_cast<int32_t>(kBinaryHeaderSize + text.size());
    const auto total = static_cast<int32_t>(recordOffset + records.size());
    std::string doc(kBinaryHeaderSize, '\0');
    EncodeBinaryHeader({total, recordOffset, n}, reinterpret_cast<unsigned char*>(doc.data()));
    LoadBytes(doc + text + records, 1, true);
  }

  TInput In;
  TAFEdit E;
  std::string FBaseText;
  bool FUnlimited = false;
  std::string FSaved;
  bool FSavedBinary = false;
  bool FHaveSaved = false;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitQt();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  InitQt();
  try { TScript(Data, Size).Run(); } catch (int) {}
  return 0;
}
