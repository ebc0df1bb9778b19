// Loading and saving documents, in the text style (Shift-JIS lines) and the
// binary style (rows as held, with their records).
//
// A load first reads and checks everything it needs, and only then replaces
// the document, so a load that fails leaves the document, its undo history,
// the caret and the view as they were.  A save to a file replaces the file
// only once every byte is on disk (platform/PosixFile.h), so a save that
// fails leaves the old file as it was.
#include <algorithm>
#include <climits>
#include <cstring>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/FileError.h"
#include "AFEdit/platform/PosixFile.h"

namespace {

const char kStreamReadFailed[] = "ストリームからの読み込みに失敗しました";
const char kStreamWriteFailed[] = "ストリームへの書き込みに失敗しました";
const char kTooLargeForBinary[] = "文書が大きすぎてバイナリ形式では保存できません";

// A row holding an LF would read back as two rows: such a document is not
// written in the binary style.
void CheckNoLineFeed(const TRowStr& S, int Row, const std::string& Name) {
  if (std::memchr(S.data(), '\n', S.size()))
    throw EFileError(EFileError::fsSave, Name, 0,
                     std::to_string(Row + 1) + " 行目に改行文字 (LF) が含まれているため、バイナリ形式では保存できません");
}

// Reads from a stream; a stream that goes bad is a read error, its end (even
// when reported as an exception) is not.
size_t ReadStream(std::istream& S, char* dst, size_t n) {
  if (S.bad()) throw EFileError(EFileError::fsRead, {}, 0, kStreamReadFailed);
  if (!S.good()) return 0;
  try {
    S.read(dst, static_cast<std::streamsize>(n));
  } catch (const std::ios_base::failure&) {
    if (S.bad()) throw EFileError(EFileError::fsRead, {}, 0, kStreamReadFailed);
  }
  if (S.bad()) throw EFileError(EFileError::fsRead, {}, 0, kStreamReadFailed);
  return static_cast<size_t>(S.gcount());
}

// Everything a source has left; SizeHint is the expected length.
std::string ReadAll(const TByteSource& Source, size_t SizeHint = 0) {
  constexpr size_t kPiece = size_t{1} << 20;
  std::string data;
  data.reserve(SizeHint + kPiece);
  for (;;) {
    const size_t old = data.size();
    data.resize(old + kPiece);
    const size_t got = Source(data.data() + old, kPiece);
    data.resize(old + got);
    if (got == 0) return data;
  }
}

// What PutRow writes after a row.
enum TRowEnd {
  kLineEndAfterCr,  // LF after a row ending with CR (text style)
  kLineEndAlways,   // as kLineEndAfterCr, and CR LF after any other row
  kLineFeedAlways,  // LF after every row (binary style)
};

constexpr size_t kCopyStep = 64;

// Writes a row and its line end.  This runs once per row of the document,
// so it avoids a library copy per row, whose cost is mostly the dispatch on
// the varying length: a row inside a larger chunk (as loaded rows are) is
// copied in whole steps, which may read past the row's end but not past its
// chunk, and write past the row into the writer's buffer, where the bytes
// that follow overwrite the excess.
inline void PutRow(TByteWriter& Out, const TRowStr& S, TRowEnd End) {
  const size_t n = S.size();
  const size_t span = (n + kCopyStep - 1) / kCopyStep * kCopyStep;
  if (Out.Room() < span + 2) {
    Out.Flush();
    if (Out.Room() < span + 2) {  // a row longer than the whole buffer
      const bool cr = EndsWithCr(S.view());
      Out.Put(S.view());
      if (End == kLineFeedAlways || cr)
        Out.Put('\n');
      else if (End == kLineEndAlways)
        Out.Put("\r\n", 2);
      return;
    }
  }
  const char* src = S.data();
  char* d = Out.Tail();
  const TStrChunk* chunk = S.Chunk();
  if (chunk && src + span <= chunk->Data() + chunk->Capacity()) {
    for (size_t k = 0; k < n; k += kCopyStep) std::memcpy(d + k, src + k, kCopyStep);
  } else {
    std::memcpy(d, src, n);
  }
  // Read from the source, not from the bytes just stored, so that the next
  // row's place does not wait for this row's stores.
  const bool cr = n != 0 && src[n - 1] == '\r';
  d[n] = '\n';
  if (End == kLineFeedAlways) {
    Out.Commit(n + 1);
  } else if (cr || End == kLineEndAfterCr) {
    Out.Commit(n + (cr ? 1 : 0));
  } else {
    d[n] = '\r';
    d[n + 1] = '\n';
    Out.Commit(n + 2);
  }
}

// Loading marks the control for the whole of its row building.
class TLoadScope {
public:
  explicit TLoadScope(TCustomAFEdit& E) : FE(E) { FE.BeginLoad(); }
  TLoadScope(const TLoadScope&) = delete;
  TLoadScope& operator=(const TLoadScope&) = delete;
  ~TLoadScope() { FE.EndLoad(); }

private:
  TCustomAFEdit& FE;
};

// Indents of successive rows, stored as runs of equal values.
struct TIndentRun {
  int16_t Indent;
  uint32_t Count;
};

}  // namespace

// ---- loading ----

void TCustomAFEdit::ResetForLoad() {
  FLineAttrs.Clear();  // frees every column list
  FLines.Clear();
  FBlkAttrs.Clear();
  FTopRow = 0;
  FUndoBuff.Reset();
  FireUndoChange(false, false);
  FSel.Reset();
  FMaxRowLen = 0;
  FZeroByteAt = -1;
}

void TCustomAFEdit::FinishLoad() {
  // The document always ends with a row without CR.
  if (RowCount() == 0 || RowHasLineEnd(RowCount() - 1)) AppendLine(TRowStr());
  // No group of the old document continues into the new one.
  FUndoBuff.StartNewHistory();
  FireUndoChange(false, false);
  FEditGroup = 0;
  FCaret = {0, 0};
  SetScrollBars(FScrollBars);
  RepaintDirtyRows();
  UpdateCaret();
}

void TCustomAFEdit::LoadTextRows(TLineReader& Reader, int Mode) {
  const bool expand = (Mode & lmExpandTabs) != 0;
  const bool toIndent = (Mode & lmTabsToIndent) != 0;
  const int maxIndent = std::clamp(FDefWrapPos - kMarkerGap, 0, static_cast<int>(INT16_MAX));

  // The new rows are built apart, so that a read error leaves the document
  // untouched.  Their bytes go into shared chunks: the rows read from one
  // window lie in order in one stretch of it, so the stretch is packed with
  // one copy and the rows become slices of the packed bytes.
  TRowList rows;
  TRowPacker packer;
  std::vector<TIndentRun> indents;  // only with leading tabs to indent
  std::vector<TRowSlice> pending;   // rows of the current window not yet packed
  const char* pendingFrom = nullptr;
  auto packPending = [&] {
    PackRowSlices(packer, rows, pendingFrom, pending);
    pending.clear();
  };
  Reader.BeforeRefill = packPending;

  std::string expanded;
  size_t maxLen = 0;
  std::string_view row;
  bool lineStart = true;  // the next row begins a line (not the rest of a cut one)
  while (Reader.Next(row)) {
    const bool startsLine = std::exchange(lineStart, EndsWithCr(row));
    maxLen = std::max(maxLen, row.size());
    if (expand) {
      ExpandTabsInto(expanded, row, true, FTabSize);
      row = expanded;
    }
    if (toIndent) {
      // Leading tabs, each followed by at least one more byte of the row.
      // The rest of a line cut at the window keeps its tabs: they are not
      // the line's indent, and no save would write them back as one.
      size_t tabs = 0;
      while (startsLine && tabs + 1 < row.size() && row[tabs] == '\t') ++tabs;
      row.remove_prefix(tabs);
      const auto indent = static_cast<int16_t>(
          std::min(static_cast<long long>(tabs) * std::max(FTabSize, 0), static_cast<long long>(maxIndent)));
      if (!indents.empty() && indents.back().Indent == indent)
        ++indents.back().Count;
      else
        indents.push_back({indent, 1});
    }
    if (expand) {  // the row is not in the window
      packPending();
      rows.Add(packer.Pack(row));
      continue;
    }
    if (pending.empty()) pendingFrom = row.data();
    pending.push_back({static_cast<uint32_t>(row.data() - pendingFrom), static_cast<uint32_t>(row.size())});
  }
  packPending();
  Reader.BeforeRefill = nullptr;

  TLoadScope scope(*this);
  ResetForLoad();
  FLines = std::move(rows);
  TLineAttr T;
  InitLineAttr(true, 0, T, FDefWrapPos);
  if (toIndent) {
    for (const TIndentRun& run : indents) {
      T.Indent = run.Indent;
      for (uint32_t i = 0; i < run.Count; ++i) FLineAttrs.AddAttr(T);
    }
  } else {
    // Equal records appended one after another are kept as a run.
    for (int i = RowCount(); i > 0; --i) FLineAttrs.AddAttr(T);
  }
  FMaxRowLen = static_cast<int>(std::min(maxLen + 2, static_cast<size_t>(INT_MAX)));
  FZeroByteAt = Reader.ZeroByteAt();
  FinishLoad();
}

void TCustomAFEdit::LoadBinaryRows(std::string_view Data, const std::string& Name) {
  TBinaryHeader H;
  const TBinaryFault fault = CheckBinaryDocument(Data, &H);
  if (fault != TBinaryFault::None) throw EFileError(EFileError::fsFormat, Name, 0, BinaryFaultText(fault));

  TLoadScope scope(*this);
  ResetForLoad();
  TRowPacker packer;
  const char* p = Data.data() + kBinaryHeaderSize;
  const char* textEnd = Data.data() + H.RecordOffset;
  const auto* rec = reinterpret_cast<const unsigned char*>(textEnd);
  for (int32_t r = 0; r < H.RowCount; ++r, rec += kLineAttrDiskSize) {
    // The checks above found every row's LF and record inside the data.
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(textEnd - p)));
    const std::string_view text(p, static_cast<size_t>(lf - p));
    p = lf + 1;
    TLineAttr A = DecodeLineAttr(rec);
    A.Reserved = 0;
    A.Dirty = true;
    FMaxRowLen = std::max(FMaxRowLen, static_cast<int>(std::min(text.size() + 2, static_cast<size_t>(INT_MAX))));
    AppendRow(packer.Pack(text), A);
  }
  FinishLoad();
}

void TCustomAFEdit::LoadFromStream(std::istream& Stream, int Mode) {
  const TByteSource source = [&Stream](char* dst, size_t n) { return ReadStream(Stream, dst, n); };
  if (Mode & lmBinary) {
    // Offsets in the file count from where reading starts.
    LoadBinaryRows(ReadAll(source), {});
  } else {
    TLineReader reader(source);
    LoadTextRows(reader, Mode);
  }
}

void TCustomAFEdit::LoadFromFile(const std::string& FileName, int Mode) {
  const TFd fd = OpenForReading(FileName);
  // Taken before reading, so that a change made while reading shows later.
  const TFileIdentity identity = IdentityOfFd(fd.get());
  const TByteSource source = [&](char* dst, size_t n) { return ReadFd(fd.get(), dst, n, FileName); };
  if (Mode & lmBinary) {
    LoadBinaryRows(ReadAll(source, FileSizeHint(fd.get())), FileName);
  } else {
    TLineReader reader(source);
    LoadTextRows(reader, Mode);
  }
  FFileIdentity = identity;
}

void TCustomAFEdit::SetText(std::string_view Value) {
  // A window longer than the whole string cuts no line that the full window
  // would not cut, and spares a short string the full window.
  const size_t window = std::min(Value.size() + 1, kLineWindow);
  TLineReader reader(
      [&Value](char* dst, size_t n) {
        n = std::min(n, Value.size());
        std::memcpy(dst, Value.data(), n);
        Value.remove_prefix(n);
        return n;
      },
      window);
  LoadTextRows(reader, 0);
}

// ---- saving ----

void TCustomAFEdit::WriteDocument(TByteWriter& Out, int Mode, const std::string& Name,
                                  unsigned char* LateHeader) {
  const int rows = RowCount();
  if (Mode & lmBinary) {
    const uint64_t start = Out.Written();
    unsigned char header[kBinaryHeaderSize] = {};
    uint64_t recordOffset = 0;
    uint64_t total = 0;
    if (!LateHeader) {
      // Sizes first, so the header can go in front of the rows.
      uint64_t textLen = 0;
      FLines.ForEach(0, rows, [&](int r, const TRowStr& s) {
        CheckNoLineFeed(s, r, Name);
        textLen += s.size() + 1;
      });
      uint64_t records = 0;
      for (int i = 0, n = FLineAttrs.Count(); i < n; ++i)
        if (FLineAttrs.HasAttr(i)) ++records;
      recordOffset = kBinaryHeaderSize + textLen;
      total = recordOffset + records * kLineAttrDiskSize;
      if (total > static_cast<uint64_t>(INT32_MAX))
        throw EFileError(EFileError::fsSave, Name, 0, kTooLargeForBinary);
      EncodeBinaryHeader({static_cast<int32_t>(total), static_cast<int32_t>(recordOffset), rows}, header);
    }
    Out.Put(reinterpret_cast<const char*>(header), sizeof header);
    FLines.ForEach(0, rows, [&](int r, const TRowStr& s) {
      if (LateHeader) CheckNoLineFeed(s, r, Name);  // otherwise checked above
      PutRow(Out, s, kLineFeedAlways);
    });
    if (LateHeader) recordOffset = Out.Written() - start;
    FLineAttrs.WriteAttrs([&](const char* p, size_t n) { Out.Put(p, n); });
    if (LateHeader) {
      total = Out.Written() - start;
      if (total > static_cast<uint64_t>(INT32_MAX))
        throw EFileError(EFileError::fsSave, Name, 0, kTooLargeForBinary);
      EncodeBinaryHeader({static_cast<int32_t>(total), static_cast<int32_t>(recordOffset), rows}, LateHeader);
    } else if (Out.Written() - start != total) {
      throw std::logic_error("binary document size miscounted");
    }
    return;
  }

  const bool rowsAsLines = (Mode & lmRowsAsLines) != 0;
  const bool indentAsTabs = (Mode & lmIndentAsTabs) != 0;
  const bool indentAsSpaces = !indentAsTabs && (Mode & lmIndentAsSpaces) != 0;
  const bool expand = (Mode & lmExpandTabs) != 0;
  const int tab = std::max(FTabSize, 1);
  std::string line;  // a row with its indent, before tab expansion
  std::string expanded;
  if (!indentAsTabs && !indentAsSpaces && !expand) {
    if (!rowsAsLines) {
      // Loaded rows are written from their chunks, where they lie with
      // their line ends as in the file.
      FLines.ForEachTextPiece([&](std::string_view s) { Out.PutKept(s.data(), s.size()); },
                              [&] { Out.Put('\n'); }, [&](const TRowStr& s) { PutRow(Out, s, kLineEndAfterCr); });
      return;
    }
    FLines.ForEach(0, rows, [&](int, const TRowStr& s) { PutRow(Out, s, kLineEndAlways); });
    return;
  }
  bool atLineStart = true;
  FLines.ForEach(0, rows, [&](int r, const TRowStr& s) {
    const bool cr = EndsWithCr(s.view());
    const bool prefix = (indentAsTabs || indentAsSpaces) && (atLineStart || rowsAsLines);
    if (!prefix && !expand) {
      Out.Put(s.view());
    } else {
      line.clear();
      if (prefix) {
        const int indent = std::max(0, static_cast<int>(FLineAttrs.PeekAttr(r).Indent));
        if (indentAsTabs)
          line.append(static_cast<size_t>((indent + tab - 1) / tab), '\t');
        else
          line.append(static_cast<size_t>(indent), ' ');
      }
      line.append(s.view());
      if (expand) {
        ExpandTabsInto(expanded, line, true, FTabSize);
        Out.Put(expanded);
      } else {
        Out.Put(line);
      }
    }
    if (rowsAsLines && !cr) Out.Put("\r\n", 2);
    if (cr) Out.Put('\n');
    atLineStart = cr;
  });
}

void TCustomAFEdit::SaveToStream(std::ostream& Stream, int Mode) {
  TByteWriter out([&Stream](const char* p, size_t n) {
    try {
      Stream.write(p, static_cast<std::streamsize>(n));
    } catch (const std::ios_base::failure&) {
    }
    if (!Stream) throw EFileError(EFileError::fsSave, {}, 0, kStreamWriteFailed);
  });
  WriteDocument(out, Mode, {});
  out.Flush();
  try {
    Stream.flush();
  } catch (const std::ios_base::failure&) {
  }
  if (!Stream) throw EFileError(EFileError::fsSave, {}, 0, kStreamWriteFailed);
}

void TCustomAFEdit::SaveToFile(const std::string& FileName, int Mode) {
  FFileIdentity = ReplaceFile(FileName, [&](int Fd) {
    std::vector<iovec> iov;
    TByteWriter out(
        [&](const TBytePiece* p, size_t n) {
          iov.resize(n);
          for (size_t i = 0; i < n; ++i) iov[i] = {const_cast<char*>(p[i].P), p[i].N};
          WriteFdPieces(Fd, iov.data(), n, FileName);
        },
        size_t{256} << 10);
    // A binary header is put in place last, once its sizes are known.
    unsigned char header[kBinaryHeaderSize];
    const bool binary = (Mode & lmBinary) != 0;
    WriteDocument(out, Mode, FileName, binary ? header : nullptr);
    out.Flush();
    if (binary) PWriteFd(Fd, header, sizeof header, 0, FileName);
  });
  FUndoBuff.MarkSaved();
}
