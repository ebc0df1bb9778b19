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
//     Load        mode byte m.  The last saved stream loads in its own
//                 style (text: kLoadModes[m % 4]); before any save, a length
//                 (b % 64) and that many raw bytes load as a binary document
//                 (m & 1) or as text (kLoadModes[(m >> 1) % 4])
//     LoadBinary  a binary document built from the input: row count
//                 (1..4), per row: Indent, WrapPos, length (b % 16) and raw
//                 bytes (CR anywhere; LF becomes CR)
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

class TScript {
public:
  TScript(const uint8_t* Data, size_t Size) : FIn(Data, Size) {}

  void Run() {
    FEdit.SetUndoMax(UndoMaxChoice(FIn.Byte()));
    FEdit.Clear();
    Check(FEdit, "Clear");
    Reset();
    for (int step = 0; !FIn.Done() && step < 400; ++step) {
      const int op = FIn.Byte() % kOpCount;
      Step(op);
      if (Tracing())
        std::fprintf(stderr, "%3d %-10s rows %d caret %d,%d undo max %d edited %d\n", step, kOpNames[op],
                     FEdit.RowCount(), FEdit.Caret().Y, FEdit.Caret().X, FEdit.UndoMax(), FEdit.Edited() ? 1 : 0);
      Check(FEdit, kOpNames[op]);
    }
  }

private:
  // The document was replaced (load or Clear): its text is what undoing
  // everything must give back.
  void Reset() {
    FBaseText = FEdit.Text();
    FUnlimited = FEdit.UndoMax() < 0;
  }

  int Row() { return FIn.Byte() % FEdit.RowCount(); }
  int Last() const { return FEdit.RowCount() - 1; }

  void Step(int Op) {
    switch (Op) {
      case opSetRow: {
        const int r = Row();
        const bool group = FIn.Bit();
        FEdit.SetRowText(r, RowText(FIn, r != Last()), group);
        break;
      }
      case opInsertRow: {
        const int r = FIn.Byte() % (FEdit.RowCount() + 1);
        TLineAttr a = FEdit.LineAttrs().PeekAttr(Row());
        FEdit.InsertRow(r, RowText(FIn, r < FEdit.RowCount()), a);
        break;
      }
      case opDeleteRow: {
        // The row selection follows, as the control's own callers of
        // DeleteRow keep it.
        const int r = Row();
        if (FEdit.RowCount() > 1 && !(r == Last() && EndsWithCr(FEdit, r - 1))) {
          FEdit.DeleteRow(r);
          if (FEdit.Sel().HasRowSel()) FEdit.Sel().RowDeleted(r);
        }
        break;
      }
      case opAppendLine: FEdit.AppendLine(RowText(FIn, false)); break;
      case opRewrap: FEdit.RewrapRow(Row()); break;
      case opUndo: FEdit.Undo(); break;
      case opRedo: FEdit.Redo(); break;
      case opUndoRedo: UndoRedo(FIn.Int(1, 4)); break;
      case opUndoAll: UndoAll(); break;
      case opSave: Save(); break;
      case opLoad: Load(); break;
      case opLoadBinary: LoadBinary(); break;
      case opClear:
        FEdit.Clear();
        Reset();
        break;
      case opSelectAll: FEdit.SelectAll(); break;
      case opNewGroup: FEdit.NewEditGroup(); break;
      case opOptions: {
        const uint8_t b = FIn.Byte();
        TAFEditOptions o = FEdit.Options() - TAFEditOptions{aoAutoFormat, aoJpnBanBreak, aoWordWrap};
        if (b & 1) o += {aoAutoFormat};
        if (b & 2) o += {aoJpnBanBreak};
        if (b & 4) o += {aoWordWrap};
        FEdit.SetOptions(o);
        break;
      }
      case opRowAttr: {
        TLineAttr& a = FEdit.LineAttrs().GetAttr(Row());
        a.WrapPos = static_cast<int16_t>(FIn.Int(1, 20));
        a.Indent = static_cast<int16_t>(FIn.Int(-3, 10));
        break;
      }
      case opTabSize: FEdit.SetTabSize(FIn.Int(1, 8)); break;
      case opCaret: {
        const int r = Row();
        const int width = static_cast<int>(FEdit.RowDisplayText(r).size());
        FEdit.SetCaretPos({FIn.Byte() % (width + 1), r});
        break;
      }
      case opUndoMax: {
        FEdit.SetUndoMax(UndoMaxChoice(FIn.Byte()));
        if (FEdit.UndoMax() >= 0) FUnlimited = false;
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
    for (int i = 0; i < N && FEdit.UndoBuff().UndoItem(); ++i) {
      seen.push_back({Rows(FEdit), FEdit.Edited()});
      FEdit.Undo();
      Check(FEdit, "Undo (UndoRedo)");
    }
    for (size_t i = seen.size(); i-- > 0;) {
      FEdit.Redo();
      Check(FEdit, "Redo (UndoRedo)");
      if (Rows(FEdit) != seen[i].Rows) Fail("Redo after Undo does not give back the rows");
      if (FEdit.Edited() != seen[i].Edited) Fail("Redo after Undo does not give back Edited()");
    }
  }

  void UndoAll() {
    for (int i = 0; i < 100000 && FEdit.UndoBuff().UndoItem(); ++i) {
      FEdit.Undo();
      Check(FEdit, "Undo (UndoAll)");
    }
    if (FEdit.UndoBuff().UndoItem()) Fail("the history never ends");
    if (FUnlimited && FEdit.Text() != FBaseText)
      Fail("undoing everything with an unlimited history does not give back the loaded text");
  }

  void Save() {
    const bool toFile = FIn.Bit();
    const int mode = kSaveModes[FIn.Byte() % (sizeof kSaveModes / sizeof kSaveModes[0])];
    if (toFile) {
      const std::string path = ScratchDir() + "/doc";
      FEdit.SaveToFile(path, mode);
      if (FEdit.Edited()) Fail("Edited() after SaveToFile");
      std::ifstream f(path, std::ios::binary);
      std::ostringstream bytes;
      bytes << f.rdbuf();
      FSaved = bytes.str();
    } else {
      std::ostringstream s;
      FEdit.SaveToStream(s, mode);
      FSaved = s.str();
    }
    FSavedBinary = (mode & 1) != 0;
    FHaveSaved = true;
  }

  // Loads Bytes; a load that fails must leave the document as it was.
  void LoadBytes(const std::string& Bytes, int Mode, bool MustLoad) {
    const std::string before = FEdit.Text();
    const int rows = FEdit.RowCount();
    std::istringstream s(Bytes);
    try {
      FEdit.LoadFromStream(s, Mode);
    } catch (const EFileError& err) {
      if (MustLoad) Fail(std::string("a saved document does not load: ") + err.what());
      if (FEdit.Text() != before || FEdit.RowCount() != rows) Fail("a failed load changed the document");
      return;
    }
    Reset();
  }

  void Load() {
    const uint8_t m = FIn.Byte();
    if (FHaveSaved) {
      LoadBytes(FSaved, FSavedBinary ? 1 : kLoadModes[m % 4], true);
    } else {
      const std::string raw(FIn.Bytes(FIn.Byte() % 64));
      LoadBytes(raw, (m & 1) ? 1 : kLoadModes[(m >> 1) % 4], false);
    }
  }

  // A binary document whose rows hold any byte but LF, CR included.
  void LoadBinary() {
    const int n = FIn.Int(1, 4);
    std::string text, records;
    bool sound = true;  // a CR only ever ends a row: otherwise the file is refused
    for (int r = 0; r < n; ++r) {
      TLineAttr a;
      a.TextColor = clWindowText;
      a.BackColor = clWindow;
      a.Indent = static_cast<int16_t>(FIn.Int(-3, 10));
      a.WrapPos = static_cast<int16_t>(FIn.Int(1, 20));
      std::string row(FIn.Bytes(FIn.Byte() % 16));
      for (char& c : row)
        if (c == '\n') c = '\r';
      const size_t cr = row.find('\r');
      if (cr != std::string::npos && cr + 1 < row.size()) sound = false;
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
    LoadBytes(doc + text + records, 1, sound);
  }

  TInput FIn;
  TAFEdit FEdit;
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
  TScript(Data, Size).Run();
  return 0;
}
