// Loading and saving: the line splitter, text and binary styles, the mode
// flags, damaged binary files and saving through a temporary file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/FileError.h"
#include "common/Doc.h"
#include "common/LineModel.h"
#include "common/PosixTest.h"

namespace {

using namespace TestUtil;
namespace fs = std::filesystem;


std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}


std::string Save(TAFEdit& e, int mode) {
  std::ostringstream out;
  e.SaveToStream(out, mode);
  return out.str();
}

void Load(TAFEdit& e, const std::string& bytes, int mode) {
  std::istringstream in(bytes);
  e.LoadFromStream(in, mode);
}

// A document in a state a failed load must not disturb: edited, with
// something to undo, the caret and the view away from the start.
struct Edited {
  TAFEdit e;
  Edited() {
    e.Loaded();
    e.SetText("one\r\ntwo\r\nthree");
    e.SetRowText(1, "TWO\r", true);
    e.SetCaretPos({2, 1});
    e.SetTopRow(1);
  }
  void ExpectUntouched() {
    EXPECT_EQ(RowsOf(e), (Rows{"one\r", "TWO\r", "three"}));
    EXPECT_TRUE(e.Edited());
    EXPECT_EQ(e.Caret(), (TPoint{2, 1}));
    EXPECT_EQ(e.TopRow(), 1);
    e.Undo();
    EXPECT_EQ(RowsOf(e), (Rows{"one\r", "two\r", "three"}));
    EXPECT_FALSE(e.Edited());
  }
};

// ---- the line splitter at the real window, in a control ----

TEST(LineReader, RealWindowOnAGeneratedFile) {
  // Lines placed so that line ends, pairs and cuts fall on window edges.
  std::string s;
  s += std::string(65535, 'a') + "\r\n";   // fills the first window, LF outside it
  s += std::string(65536, 'b') + "\r\n";   // exactly a window of text
  s += "short\n\r";
  s += std::string(200000, 'c') + "\n";    // cut three times
  for (int i = 0; i < 8000; ++i) s += std::string(static_cast<size_t>(i % 97), 'd') + (i % 3 ? "\n\r" : "\r\n");
  s += "tail";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("long.txt").toStdString();
  WriteBytes(path, s);
  TAFEdit e;
  e.LoadFromFile(path, 0);
  const Rows rows = RowsOf(e);
  EXPECT_EQ(rows, Expected(s, 65536));
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[1], std::string(65536, 'b'));
  EXPECT_EQ(rows[2], "\r");
  EXPECT_EQ(rows[3], "short\r");
  EXPECT_EQ(e.MaxRowLen(), 65538);
}

// The line of the report: an odd start puts a lead byte last in the
// window.  No row starts with a trail byte, the file comes back as it was,
// and Delete at the start of the second row takes one whole character.
TEST(LineReader, ALongLineIsCutBetweenCharactersAtTheRealWindow) {
  std::string line = "a";
  for (int i = 0; i < 40000; ++i) line += "\x82\xA0";  // あ
  const std::string file = line + "\r\n";
  QTemporaryDir dir;
  const std::string path = dir.filePath("long.txt").toStdString();
  WriteBytes(path, file);
  TAFEdit e;
  e.Loaded();
  e.LoadFromFile(path, 0);
  ASSERT_GE(e.RowCount(), 3);
  EXPECT_EQ(e.RowText(0).size(), kLineWindow - 1);
  for (int r = 1; r < e.RowCount(); ++r) EXPECT_NE(ByteType(e.RowText(r).view(), 0), mbTrailByte) << r;
  Rows want = Expected(file, kLineWindow);
  want.emplace_back();  // the document's last row, after the line end
  EXPECT_EQ(RowsOf(e), want);
  e.SaveToFile(path, 0);
  EXPECT_EQ(ReadBytes(path), file);

  e.SetCaretPos({0, 1});
  e.DeleteCharAtCaret();
  e.SaveToFile(path, 0);
  std::string deleted = file;
  deleted.erase(kLineWindow - 1, 2);
  EXPECT_EQ(ReadBytes(path), deleted);
}

// ---- text style ----

TEST(TextLoad, RowsRecordsAndFreshState) {
  TAFEdit e;
  e.SetDefWrapPos(72);
  const std::pair<std::string, Rows> cases[] = {
      {"", {""}},
      {"xyz", {"xyz"}},
      {"xyz\r\n", {"xyz\r", ""}},
      {"a\n\nb", {"a\r", "\r", "b"}},
      {"a\n\rb", {"a\r", "b"}},
      {"a\r\r\nb", {"a\r", "\r", "b"}},
      {std::string("ab\0xy", 5), {"ab"}},
      {std::string("\0ab\r\n", 5), {""}},
      {"a\rb\nc\r\nd\n\re\x1A", {"a\r", "b\r", "c\r", "d\r", "e\x1A"}},  // 0x1A is text
      {"\n\r\n\r", {"\r", "\r", ""}},
  };
  for (const auto& [in, rows] : cases) {
    Load(e, in, 0);
    EXPECT_EQ(RowsOf(e), rows) << in;
    EXPECT_TRUE(e.CheckInvariants().empty()) << e.CheckInvariants();
  }
  Load(e, "abc\r\nde", 0);
  TLineAttr fresh;
  e.InitLineAttr(true, 0, fresh, 72);
  for (int r = 0; r < 2; ++r) {  // shown rows are painted, which clears Dirty
    TLineAttr a = e.LineAttrs().PeekAttr(r);
    a.Dirty = true;
    EXPECT_TRUE(a.SameFields(fresh)) << r;
  }
  EXPECT_EQ(e.MaxRowLen(), 6);  // "abc" CR, plus 2
}

TEST(TextLoad, ReplacesTheDocumentAndResetsHistoryCaretAndView) {
  Edited d;
  std::vector<std::pair<bool, bool>> undoNotes;
  int inserts = 0;
  d.e.OnUndoChange = [&](TCustomAFEdit*, bool u, bool r) { undoNotes.push_back({u, r}); };
  d.e.OnLineInsert = [&](TCustomAFEdit*, int, std::string&) { ++inserts; };
  d.e.Sel().SetAnchorPos({0, 0});
  d.e.Sel().SetActivePos({3, 1});
  d.e.BlkAttrs().Add(TBlkAttr{});
  Load(d.e, "a\r\nb\r\nc", 0);
  EXPECT_EQ(RowsOf(d.e), (Rows{"a\r", "b\r", "c"}));
  EXPECT_EQ(inserts, 0);  // text rows go straight into the lists
  EXPECT_FALSE(d.e.Edited());
  EXPECT_EQ(d.e.Caret(), (TPoint{0, 0}));
  EXPECT_EQ(d.e.TopRow(), 0);
  EXPECT_EQ(d.e.EditGroup(), 0);
  EXPECT_FALSE(d.e.Sel().HasCharSel());
  EXPECT_EQ(d.e.BlkAttrs().Count(), 0);
  ASSERT_FALSE(undoNotes.empty());
  for (const auto& n : undoNotes) EXPECT_EQ(n, (std::pair<bool, bool>{false, false}));
  d.e.Undo();  // nothing to undo
  EXPECT_EQ(RowsOf(d.e), (Rows{"a\r", "b\r", "c"}));

  // The final empty row is appended through the row operations.
  Load(d.e, "a\r\n", 0);
  EXPECT_EQ(inserts, 1);
  // The first edit after a load is recorded and undone as usual.
  d.e.SetRowText(1, "x", true);
  EXPECT_TRUE(d.e.Edited());
  d.e.Undo();
  EXPECT_EQ(RowsOf(d.e), (Rows{"a\r", ""}));
  EXPECT_FALSE(d.e.Edited());
}

TEST(TextLoad, ExpandTabsAndTabsToIndent) {
  TAFEdit e;
  e.SetTabSize(4);
  e.SetDefWrapPos(60);
  Load(e, "a\tb\r\n\tc", 2);
  EXPECT_EQ(RowsOf(e), (Rows{"a   b\r", "    c"}));
  EXPECT_EQ(e.MaxRowLen(), 6);  // measured before expansion

  Load(e, "\t\tx\r\n" + std::string(20, '\t') + "y\r\nz\r\n\t\t\r\n\t\t", 4);
  EXPECT_EQ(RowsOf(e), (Rows{"x\r", "y\r", "z\r", "\r", "\t"}));
  const int indents[] = {8, 52, 0, 8, 4};
  for (int r = 0; r < 5; ++r) EXPECT_EQ(e.LineAttrs().PeekAttr(r).Indent, indents[r]) << r;

  // Tabs already expanded leave nothing to turn into an indent.
  Load(e, "\tx", 2 | 4);
  EXPECT_EQ(RowsOf(e), (Rows{"    x"}));
  EXPECT_EQ(e.LineAttrs().PeekAttr(0).Indent, 0);
}

// Tabs that follow a cut at the window are text in the middle of a line,
// not an indent, and come back where they were.
TEST(TextLoad, TabsAfterACutStayText) {
  const std::string file = std::string(kLineWindow, 'a') + "\t\tb\r\n\tc";
  TAFEdit e;
  Load(e, file, lmTabsToIndent);
  ASSERT_EQ(e.RowCount(), 3);
  EXPECT_EQ(e.RowText(1).str(), "\t\tb\r");
  EXPECT_EQ(e.LineAttrs().PeekAttr(1).Indent, 0);
  EXPECT_EQ(e.RowText(2).str(), "c");
  EXPECT_EQ(Save(e, lmIndentAsTabs), file);
}

TEST(TextLoad, TextPropertyRoundTrip) {
  TAFEdit e;
  e.SetText("\x82\xA0\x82\xA2\n\x93\xFA\x96\x7B\r\n\r\nend");
  EXPECT_EQ(RowsOf(e), (Rows{"\x82\xA0\x82\xA2\r", "\x93\xFA\x96\x7B\r", "\r", "end"}));
  EXPECT_EQ(e.Text(), "\x82\xA0\x82\xA2\r\n\x93\xFA\x96\x7B\r\n\r\nend");
  EXPECT_FALSE(e.Edited());
  e.SetText("xyz");  // shorter than any window
  EXPECT_EQ(RowsOf(e), (Rows{"xyz"}));
  e.SetText("");
  EXPECT_EQ(RowsOf(e), (Rows{""}));
}

// A stream that hands out some bytes and then fails.
class TFailingBuf : public std::streambuf {
public:
  explicit TFailingBuf(std::string data) : FData(std::move(data)) {
    setg(FData.data(), FData.data(), FData.data() + FData.size());
  }

protected:
  int_type underflow() override { throw std::runtime_error("device gone"); }

private:
  std::string FData;
};

TEST(TextLoad, FailuresLeaveTheDocumentAsItWas) {
  Edited d;
  TFailingBuf buf("new\r\nrows\r\n" + std::string(100000, 'z'));
  std::istream in(&buf);
  EXPECT_THROW(d.e.LoadFromStream(in, 0), EFileError);
  d.ExpectUntouched();

  Edited m;
  QTemporaryDir dir;
  const std::string missing = dir.filePath("missing.txt").toStdString();
  try {
    m.e.LoadFromFile(missing, 0);
    ADD_FAILURE() << "no error";
  } catch (const EFileError& err) {
    EXPECT_EQ(err.Step(), EFileError::fsOpen);
    EXPECT_EQ(err.Path(), missing);
    EXPECT_NE(std::string(err.what()).find("ファイル「" + missing + "」を開けません"), std::string::npos);
  }
  EXPECT_THROW(m.e.LoadFromFile(dir.path().toStdString(), 0), EFileError);  // a folder
  m.ExpectUntouched();
}

TEST(TextSave, LineEndsAndRowsAsLines) {
  TAFEdit e;
  SetRows(e, {"ab\r", "xy", "ef\r", ""});
  EXPECT_EQ(Save(e, 0), "ab\r\nxyef\r\n");
  EXPECT_EQ(Save(e, 32), "ab\r\nxy\r\nef\r\n\r\n");
  SetRows(e, {"last"});
  EXPECT_EQ(Save(e, 0), "last");
  EXPECT_EQ(Save(e, 32), "last\r\n");
  e.SetRowText(0, "changed", true);
  Save(e, 0);
  EXPECT_TRUE(e.Edited());  // only saving to a file marks the document saved
  std::ostringstream bad;
  bad.setstate(std::ios::badbit);
  EXPECT_THROW(e.SaveToStream(bad, 0), EFileError);
}

TEST(TextSave, IndentAsTabsOrSpacesAndExpandedTabs) {
  TAFEdit e;
  e.SetTabSize(4);
  SetRows(e, {"ab", "cd\r", "e\tf"});
  for (int r = 0; r < 3; ++r) e.LineAttrs().GetAttr(r).Indent = 5;
  EXPECT_EQ(Save(e, 8), "\t\tabcd\r\n\t\te\tf");  // only the first row of a line
  EXPECT_EQ(Save(e, 16), "     abcd\r\n     e\tf");
  EXPECT_EQ(Save(e, 8 | 16), Save(e, 8));  // tabs win
  EXPECT_EQ(Save(e, 8 | 32), "\t\tab\r\n\t\tcd\r\n\t\te\tf\r\n");
  EXPECT_EQ(Save(e, 16 | 32), "     ab\r\n     cd\r\n     e\tf\r\n");
  EXPECT_EQ(Save(e, 2), "abcd\r\ne   f");
  EXPECT_EQ(Save(e, 2 | 16), "     abcd\r\n     e  f");  // tab stops count from the line start
}

// ---- files ----

TEST(FileRoundTrip, TextFilesComeBackByteForByte) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string in = dir.filePath("in.txt").toStdString();
  const std::string out = dir.filePath("out.txt").toStdString();
  const std::string texts[] = {
      "\x93\xFA\x96\x7B\x8C\xEA\r\n\tindented\x1A\r\n\r\nlast line",
      "ends with a line end\r\n",
      "",
  };
  TAFEdit e;
  for (const auto& t : texts) {
    WriteBytes(in, t);
    e.LoadFromFile(in, 0);
    e.SaveToFile(out, 0);
    EXPECT_EQ(ReadBytes(out), t);
  }
  // Other line ends come back as CR LF.
  WriteBytes(in, "a\nb\rc\n\rd");
  e.LoadFromFile(in, 0);
  e.SaveToFile(out, 0);
  EXPECT_EQ(ReadBytes(out), "a\r\nb\r\nc\r\nd");
}

// Random files of short, empty and very long lines, with CR LF or LF line
// ends, come back byte for byte (LF as CR LF) and load into packed rows.
TEST(FileRoundTrip, RandomFilesComeBackByteForByte) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string in = dir.filePath("in.txt").toStdString();
  const std::string out = dir.filePath("out.txt").toStdString();
  std::mt19937 rng(11);
  TAFEdit e;
  for (int round = 0; round < 6; ++round) {
    const bool lf = round % 2;
    std::string file, expected;
    for (int i = 0, n = 2000 + static_cast<int>(rng() % 3000); i < n; ++i) {
      const unsigned kind = rng() % 100;
      const size_t len = kind < 5 ? 0 : kind < 7 ? 30000 + rng() % 10000 : rng() % 90;
      std::string line;
      for (size_t k = 0; k < len; ++k) line += static_cast<char>(k % 2 ? 0xA0 : 0x82);
      file += line + (lf ? "\n" : "\r\n");
      expected += line + "\r\n";
    }
    WriteBytes(in, file);
    e.LoadFromFile(in, 0);
    EXPECT_EQ(e.CheckInvariants(), "");
    EXPECT_GT(e.Lines().PackedBlocks(), e.Lines().BlockCount() / 2);
    e.SaveToFile(out, 0);
    ASSERT_EQ(ReadBytes(out), expected) << "round " << round;
    // Edited rows among loaded ones: the loose blocks are written row by
    // row, the packed ones from their chunks.
    for (int k = 0; k < 20; ++k) {
      const int row = static_cast<int>(rng() % static_cast<unsigned>(e.RowCount()));
      const std::string text = e.RowText(row).str();
      e.ReplaceRow(row, "x" + text.substr(0, text.size() / 2) + (rng() % 2 ? "\r" : ""));
    }
    e.SaveToFile(out, 0);
    ASSERT_EQ(ReadBytes(out), e.Text()) << "round " << round;
  }
}

// A writer with a sink for pieces hands kept bytes over where they lie (the
// long ones) and everything else through its buffer, in order, however the
// writes mix.
TEST(ByteWriter, KeptBytesGoAsPiecesInOrder) {
  std::mt19937 rng(5);
  for (int round = 0; round < 50; ++round) {
    std::string got, expected;
    std::vector<std::string> kept;  // stays put until the writer is done
    kept.reserve(200);
    std::set<const char*> handed;
    TByteWriter w(
        [&](const TBytePiece* p, size_t n) {
          for (size_t i = 0; i < n; ++i) {
            handed.insert(p[i].P);
            got.append(p[i].P, p[i].N);
          }
        },
        1 + rng() % 3000);
    for (int op = 0; op < 150; ++op) {
      const std::string bytes(rng() % 5 == 0 ? 1000 + rng() % 6000 : 1 + rng() % 40, static_cast<char>('a' + op % 26));
      switch (rng() % 4) {
        case 0:
          kept.push_back(bytes);
          w.PutKept(kept.back().data(), kept.back().size());
          expected += bytes;
          break;
        case 1:
          w.Put(bytes);
          expected += bytes;
          break;
        case 2:
          w.Put(bytes[0]);
          expected += bytes[0];
          break;
        default:
          if (w.Room() >= bytes.size()) {
            std::memcpy(w.Tail(), bytes.data(), bytes.size());
            w.Commit(bytes.size());
          } else {
            w.Put(bytes);
          }
          expected += bytes;
          break;
      }
      ASSERT_EQ(w.Written(), expected.size()) << round;
    }
    w.Flush();
    ASSERT_EQ(got, expected) << round;
    for (const std::string& k : kept) {
      if (k.size() >= 1024) {
        EXPECT_TRUE(handed.count(k.data())) << round;
      }
    }
  }
}

// A UTF-8 file is held as its bytes: lines ending in a byte of the lead
// range, bytes CP932 leaves undefined (0x80, 0xA0, 0xFD to 0xFF) and a
// line longer than the window come back byte for byte, also around edits.
TEST(FileRoundTrip, Utf8FilesKeepEveryByteNotEdited) {
  std::string longLine;
  while (longLine.size() < kLineWindow + 1000) longLine += "あい";  // E3 81 82 E3 81 84
  const std::string lines[] = {
      "日本語のテキスト。",  // ends E3 80 82: a lead-range byte before CR
      "€ \xC2\xA0 ý ÿ \xEF\xBF\xBD \xFD\xFE\xFF",  // 0x80 (in €), 0xA0, and bytes that are not UTF-8
      longLine,
      "あ",  // the last line, without a line end
  };
  std::string file;
  for (const std::string& l : lines) file += l + (&l == &lines[3] ? "" : "\r\n");
  QTemporaryDir dir;
  const std::string path = dir.filePath("utf8.txt").toStdString();
  WriteBytes(path, file);
  TAFEdit e;
  e.Loaded();
  e.LoadFromFile(path, 0);
  e.SaveToFile(path, 0);
  ASSERT_EQ(ReadBytes(path), file);

  // One byte typed at the start of the first row and of the long line.
  const int longRow = 2;
  ASSERT_EQ(e.RowText(longRow).view().substr(0, 6), "あい");
  for (const int row : {longRow, 0}) {
    e.SetCaretPos({0, row});
    e.InsertText("x");
  }
  e.SaveToFile(path, 0);
  std::string want = file;
  want.insert(lines[0].size() + lines[1].size() + 4, "x");
  want.insert(0, "x");
  EXPECT_EQ(ReadBytes(path), want);
  EXPECT_EQ(e.CheckInvariants(), "");
}

TEST(FileRoundTrip, BinaryKeepsRowsAndRecords) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("doc.bin").toStdString();
  TAFEdit e;
  SetRows(e, {"\x93\xFA\x96\x7B\x8C\xEA", "wrapped\r", "\r", "tail"});
  TLineAttr& a = e.LineAttrs().GetAttr(0);
  a.TextColor = clRed;
  a.Indent = 4;
  a.WrapPos = 30;
  a.FontStyle = {fsBold, fsUnderline};
  e.LineAttrs().GetAttr(2).Indent = -3;
  // Spare records beyond the last row; entry 5 stays empty and is not written.
  e.LineAttrs().GetAttr(4).WrapPos = 8;
  e.LineAttrs().GetAttr(6);
  e.SetRowText(3, "tail", true);
  e.SaveToFile(path, 1 | 2 | 32);  // other flags are ignored
  EXPECT_FALSE(e.Edited());

  const std::string bytes = ReadBytes(path);
  const std::string text = "\x93\xFA\x96\x7B\x8C\xEA\nwrapped\r\n\r\ntail\n";
  const TBinaryHeader h = DecodeBinaryHeader(reinterpret_cast<const unsigned char*>(bytes.data()));
  EXPECT_EQ(h.RowCount, 4);
  EXPECT_EQ(h.RecordOffset, static_cast<int32_t>(268 + text.size()));
  EXPECT_EQ(h.TotalSize, static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(bytes.size(), 268 + text.size() + 6 * 20);  // two spare records
  EXPECT_EQ(bytes.substr(268, text.size()), text);
  EXPECT_EQ(Save(e, 1), bytes);  // a stream gets the same bytes

  TAFEdit f;
  f.Loaded();
  std::vector<int> inserted;
  f.OnLineInsert = [&](TCustomAFEdit*, int index, std::string&) { inserted.push_back(index); };
  f.LoadFromFile(path, 1);
  EXPECT_EQ(inserted, (std::vector<int>{-1, 0, 1, 2}));  // once per row
  EXPECT_EQ(RowsOf(f), RowsOf(e));
  for (int r = 0; r < 4; ++r) {
    TLineAttr want = e.LineAttrs().PeekAttr(r), got = f.LineAttrs().PeekAttr(r);
    EXPECT_TRUE(got.Dirty);
    want.Dirty = got.Dirty;
    EXPECT_TRUE(got.SameFields(want)) << r;
  }
  EXPECT_FALSE(f.Edited());

  // A file whose last row ends with CR: an empty row is appended after it.
  SetRows(e, {"a\r", "b\r", ""});
  std::string twoRows = Save(e, 1);
  twoRows[8] = 2;  // RowCount 2: the third LF row and record are left unread
  inserted.clear();
  Load(f, twoRows, 1);
  EXPECT_EQ(RowsOf(f), (Rows{"a\r", "b\r", ""}));
  EXPECT_EQ(inserted, (std::vector<int>{-1, 0, 1}));
}

TEST(FileRoundTrip, DamagedBinaryFilesLeaveTheDocumentAsItWas) {
  TAFEdit src;
  SetRows(src, {"ab\r", "cd"});
  const std::string good = Save(src, 1);  // 268 + 7 bytes of rows + 2 records
  ASSERT_EQ(good.size(), 268u + 7 + 40);
  auto put = [](std::string b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    return b;
  };
  auto with = [&](size_t at, int32_t v) { return put(good, at, static_cast<uint32_t>(v)); };
  // Keeps TotalSize true to the length.
  auto sized = [&](const std::string& b) { return put(b, 0, static_cast<uint32_t>(b.size())); };
  const std::pair<std::string, TBinaryFault> damaged[] = {
      {good.substr(0, 100), TBinaryFault::ShortHeader},
      {good.substr(0, good.size() - 1), TBinaryFault::SizeMismatch},
      {with(0, 9999), TBinaryFault::SizeMismatch},
      {"plain text\r\n", TBinaryFault::ShortHeader},
      {sized("plain text\r\n" + std::string(300, 'x')), TBinaryFault::RecordOffsetOutside},
      {with(4, 5000), TBinaryFault::RecordOffsetOutside},
      {with(4, 267), TBinaryFault::RecordOffsetOutside},
      {with(8, -1), TBinaryFault::NegativeRowCount},
      {with(8, 3), TBinaryFault::MissingRecords},
      {with(4, 271), TBinaryFault::MissingRows},  // the text section ends before an LF
      {sized(good.substr(0, good.size() - 20)), TBinaryFault::MissingRecords},
      {put(good, 268, 0x0A620D61), TBinaryFault::CrInsideRow},  // "a\rb\n": a CR inside a row
  };
  for (const auto& [bytes, fault] : damaged) {
    EXPECT_EQ(CheckBinaryDocument(bytes), fault);
    Edited d;
    try {
      Load(d.e, bytes, 1);
      ADD_FAILURE() << "no error for fault " << static_cast<int>(fault);
    } catch (const EFileError& err) {
      EXPECT_EQ(err.Step(), EFileError::fsFormat);
      EXPECT_EQ(err.Reason(), BinaryFaultText(fault));
    }
    d.ExpectUntouched();
  }
  EXPECT_EQ(CheckBinaryDocument(good), TBinaryFault::None);
}

// A line that fills the window exactly is cut there, and the rest of it,
// empty, is a row of its own.
TEST(TextLoad, ALastLineFillingTheWindowLeavesAnEmptyRow) {
  for (const size_t n : {kLineWindow, 2 * kLineWindow}) {
    TAFEdit e;
    Load(e, std::string(n, 'a'), 0);
    Rows want(n / kLineWindow, std::string(kLineWindow, 'a'));
    want.emplace_back();
    EXPECT_EQ(RowsOf(e), want) << n;
    EXPECT_EQ(Save(e, 0), std::string(n, 'a'));
  }
}

// A row holding an LF would come back as two rows, so such a document is
// refused in the binary style, before anything is written.
TEST(FileRoundTrip, BinarySaveRefusesRowsHoldingALineFeed) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/doc.bin";
  WriteBytes(path, "original bytes");
  TAFEdit e;
  SetRows(e, {"x\n\r", "y"});
  e.SetRowText(1, "y", true);
  std::ostringstream out;
  EXPECT_THROW(e.SaveToStream(out, lmBinary), EFileError);
  EXPECT_EQ(out.str(), "");
  try {
    e.SaveToFile(path, lmBinary);
    ADD_FAILURE() << "saved";
  } catch (const EFileError& err) {
    EXPECT_EQ(err.Step(), EFileError::fsSave);
  }
  EXPECT_EQ(ReadBytes(path), "original bytes");
  EXPECT_TRUE(e.Edited());
}

TEST(TextLoad, AZeroByteEndsTheTextAndTellsWhere) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("zero.txt").toStdString();
  // Ten MiB with a zero byte at offset 78.
  std::string bytes(10 << 20, 'z');
  for (size_t i = 40; i < bytes.size(); i += 41) bytes[i] = '\n';
  bytes[78] = '\0';
  WriteBytes(path, bytes);
  TAFEdit e;
  e.LoadFromFile(path, 0);
  EXPECT_EQ(e.ZeroByteAt(), 78);
  EXPECT_EQ(e.Text(), bytes.substr(0, 40) + "\r\n" + bytes.substr(41, 37));
  // A zero byte past the first window, from a stream.
  Load(e, std::string(100000, 'a') + '\0' + "b", 0);
  EXPECT_EQ(e.ZeroByteAt(), 100000);
  // Loads that read everything say so.
  for (const int mode : {0, static_cast<int>(lmExpandTabs)}) {
    Load(e, "ab\r\ncd", mode);
    EXPECT_EQ(e.ZeroByteAt(), -1);
  }
  Load(e, std::string("a\0", 2), 0);
  ASSERT_EQ(e.ZeroByteAt(), 1);
  Load(e, Save(e, lmBinary), lmBinary);
  EXPECT_EQ(e.ZeroByteAt(), -1);
}

TEST(FileRoundTrip, TheControlKnowsTheFileAsItLeftIt) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("doc.txt").toStdString();
  WriteBytes(path, "abc\r\n");
  TAFEdit e;
  EXPECT_FALSE(e.FileIdentity().Valid());
  e.LoadFromFile(path, 0);
  EXPECT_EQ(e.FileIdentity(), IdentityOfPath(path));
  WriteBytes(path, "changed by another program");
  EXPECT_NE(e.FileIdentity(), IdentityOfPath(path));
  e.SaveToFile(path, 0);
  EXPECT_EQ(e.FileIdentity(), IdentityOfPath(path));
  // A failed load or save leaves it.
  const TFileIdentity kept = e.FileIdentity();
  EXPECT_THROW(e.LoadFromFile(path + ".missing", 0), EFileError);
  EXPECT_THROW(e.SaveToFile(path + "/x", 0), EFileError);
  EXPECT_EQ(e.FileIdentity(), kept);
}

// ---- saving through a temporary file ----

TEST(AtomicSave, SavedFileKeepsItsPermissionsAndNothingIsLeftBehind) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("keep.txt").toStdString();
  WriteBytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  TAFEdit e;
  e.SetText("new\r\n");
  e.SaveToFile(path, 0);
  struct stat st{};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(path), "new\r\n");
  EXPECT_EQ(DirEntries(dir.path().toStdString()), (std::vector<std::string>{"keep.txt"}));

  // A new file gets the permissions the umask allows.
  const mode_t old = ::umask(027);
  const std::string fresh = dir.filePath("fresh.txt").toStdString();
  e.SaveToFile(fresh, 0);
  ::umask(old);
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // Saving through a link replaces the file it names and keeps the link.
  const std::string link = dir.filePath("link.txt").toStdString();
  fs::create_symlink(path, link);
  e.SetText("via link");
  e.SaveToFile(link, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(path), "via link");
}

TEST(AtomicSave, FailedSaveKeepsTheOldFileAndEdited) {
  QTemporaryDir dir;
  const std::string d = dir.path().toStdString();
  const std::string path = d + "/doc.txt";
  WriteBytes(path, "original bytes");
  TAFEdit e;
  // Text and records both longer than the limit below and than one write
  // buffer, so a binary save fails while writing the records.
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += "ab\r\n";
  e.SetText(lines);
  e.SetRowText(1, "edited", true);
  ASSERT_TRUE(e.Edited());

  // A folder that does not exist, and a folder as the target.
  EXPECT_THROW(e.SaveToFile(d + "/no/such/dir/doc.txt", 0), EFileError);
  EXPECT_THROW(e.SaveToFile(d, 0), EFileError);

  // The disk refuses the bytes part-way: a file size limit makes write() fail.
  {
    const TFileSizeLimit limit(100000);
    ASSERT_TRUE(limit.Set());
    for (const int mode : {0, 1}) {
      try {
        e.SaveToFile(path, mode);
        ADD_FAILURE() << "no error in mode " << mode;
      } catch (const EFileError& err) {
        EXPECT_EQ(err.Step(), EFileError::fsSave);
        EXPECT_EQ(err.SysError(), EFBIG);
        EXPECT_NE(std::string(err.what()).find("を保存できません"), std::string::npos);
      }
    }
  }
  EXPECT_EQ(ReadBytes(path), "original bytes");
  EXPECT_TRUE(e.Edited());
  EXPECT_EQ(DirEntries(d), (std::vector<std::string>{"doc.txt"}));

  // A folder the user may not write to (root may write anywhere).
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod(d.c_str(), 0555), 0);
    EXPECT_THROW(e.SaveToFile(path, 0), EFileError);
    ::chmod(d.c_str(), 0755);
    EXPECT_EQ(ReadBytes(path), "original bytes");
    EXPECT_TRUE(e.Edited());
  }

  e.SaveToFile(path, 0);
  EXPECT_FALSE(e.Edited());
  e.Undo();  // undoing past the save differs from the file again
  EXPECT_TRUE(e.Edited());
}

}  // namespace
