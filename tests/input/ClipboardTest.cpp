// Copy, cut and paste through the real (offscreen) system clipboard, and
// the input method's preedit and commit strings, on a shown control.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>

#include <cctype>
#include <random>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "common/Doc.h"

namespace {

using TestUtil::Rows;

const QString kPrivate = QStringLiteral("application/x-hotaru-cp932");

std::string Sjis(const char* Utf8) {
  std::string out;
  QStringToCp932(QString::fromUtf8(Utf8), out);
  return out;
}

QClipboard& Clip() { return *QGuiApplication::clipboard(); }

// The clipboard as another program finds it.
std::string ClipText() { return Clip().text().toStdString(); }
// The exact bytes Hotaru left beside it, or "<none>".
std::string ClipBytes() {
  const QMimeData* d = Clip().mimeData();
  return d && d->hasFormat(kPrivate) ? d->data(kPrivate).toStdString() : "<none>";
}

// The offscreen platform cannot raise the tip window shown for replaced
// characters and says so; every other message counts.
QtMessageHandler gOuterHandler = nullptr;
void SkipRaiseNotice(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Text.startsWith(QLatin1String("This plugin does not support raise"))) return;
  gOuterHandler(Type, Context, Text);
}

struct Clipboard : ::testing::Test {
  void SetUp() override {
    gOuterHandler = qInstallMessageHandler(SkipRaiseNotice);
    e.resize(400, 200);
    e.show();
    e.Loaded();
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.setFocus();
    Clip().clear();
  }
  void TearDown() override {
    EXPECT_EQ(e.CheckInvariants(), "");
    qInstallMessageHandler(gOuterHandler);
  }

  void Rows_(const Rows& R) { TestUtil::SetRows(e, R); }
  void SelectChars(TPoint From, TPoint To) {
    e.Sel().SetAnchorPos(From);
    e.Sel().SetActivePos(To);
    e.SetCaretPos(To);
  }
  void SelectRows(int First, int Last) {
    e.Sel().SetAnchorRow(First);
    e.Sel().SetActiveRow(Last);
    e.UpdateRowSelMetrics();
  }
  void Key(Qt::Key K, Qt::KeyboardModifiers M = Qt::NoModifier) { QTest::keyClick(e.viewport(), K, M); }
  // An input method event; Cursor >= 0 adds the cursor attribute there.
  void Im(const QString& Preedit, const QString& Commit, int Cursor = -1) {
    QList<QInputMethodEvent::Attribute> attrs;
    if (Cursor >= 0) attrs.append({QInputMethodEvent::Cursor, Cursor, 1, QVariant()});
    QInputMethodEvent ev(Preedit, attrs);
    ev.setCommitString(Commit);
    QCoreApplication::sendEvent(&e, &ev);
  }

  TAFEdit e;
};

// A case's name as a test name.
const auto CaseName = [](const auto& I) {
  std::string n = I.param.Name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
};

// ---- copy ----

struct TCopyCase {
  const char* Name;
  Rows Doc;
  TPoint From, To;  // a character selection, or rows From.Y..To.Y when From.X < 0
  bool AsDisplayed;
  std::string Text;   // what other programs find on the clipboard afterwards
  std::string Exact;  // Hotaru's bytes beside it: the range as the rows hold it
};

const TCopyCase kCopyCases[] = {
    // "ab" wraps into "cd": one logical line, two display rows.
    {"plain rows join wrapped rows", {"ab", "cd\r", "e"}, {-1, 0}, {0, 1}, false, "abcd\r\n", "abcd\r"},
    {"displayed rows keep each row", {"ab", "cd\r", "e"}, {-1, 0}, {0, 1}, true, "ab\r\ncd\r\n", "abcd\r"},
    {"plain chars across the wrap", {"ab", "cd\r", "e"}, {1, 0}, {1, 1}, false, "bc", "bc"},
    {"displayed chars across the wrap", {"ab", "cd\r", "e"}, {1, 0}, {1, 1}, true, " b\r\nc\r\n", "bc"},
    {"trailing blanks dropped", {"ab \t cd"}, {0, 0}, {5, 0}, false, "ab", "ab \t "},
    {"a whole line keeps its break", {"a  \r", "b"}, {0, 0}, {0, 1}, false, "a  \r\n", "a  \r"},
    {"nothing selected: clipboard untouched", {"abc"}, {0, 0}, {0, 0}, false, "<untouched>", "<none>"},
    // A last row holding only its CR adds nothing, and what comes before
    // it then loses its trailing blanks and line ends.
    {"ending after a lone CR", {"ab\r", "\r", "c"}, {0, 0}, {1, 1}, false, "ab", "ab\r\r"},
    {"ending before a lone CR", {"ab\r", "\r", "c"}, {0, 0}, {0, 1}, false, "ab\r\n", "ab\r"},
    {"a lone CR inside the range", {"ab\r", "\r", "c"}, {0, 0}, {0, 2}, false, "ab\r\n\r\n", "ab\r\r"},
    {"rows down to a lone CR", {"ab \r", "\r", "c"}, {-1, 0}, {0, 1}, false, "ab", "ab \r\r"},
    {"a lone CR after wrapped rows", {"ab", "cd", "\r", "e"}, {-1, 0}, {0, 2}, false, "abcd", "abcd\r"},
    {"a lone CR on its own", {"ab\r", "\r", "c"}, {0, 1}, {1, 1}, false, "\r\n", "\r"},
    {"a lone CR displayed", {"ab\r", "\r", "c"}, {0, 0}, {1, 1}, true, "ab\r\n\r\n", "ab\r\r"},
};

void PrintTo(const TCopyCase& c, std::ostream* os) { *os << c.Name; }

class Copy : public Clipboard, public ::testing::WithParamInterface<TCopyCase> {};

TEST_P(Copy, PutsTextAndExactBytes) {
  const TCopyCase& c = GetParam();
  Rows_(c.Doc);
  if (c.From.X < 0)
    SelectRows(c.From.Y, c.To.Y);
  else
    SelectChars(c.From, c.To);
  Clip().setText(QStringLiteral("<untouched>"));
  e.CopySelection(c.AsDisplayed);
  EXPECT_EQ(ClipText(), Cp932ToQString(c.Text).toStdString());
  EXPECT_EQ(ClipBytes(), c.Exact);
}

INSTANTIATE_TEST_SUITE_P(Clipboard, Copy, ::testing::ValuesIn(kCopyCases), CaseName);

// ---- paste ----

struct TPasteCase {
  const char* Name;
  Rows Doc;
  TPoint Caret;
  TPoint SelFrom, SelTo;  // a character selection when they differ
  QString Plain;          // put on the clipboard by another program...
  std::string Own;        // ...or by Hotaru (exact bytes), when not empty
  Rows After;
  TPoint CaretAfter;
  bool Overtype = false;
  TAFEditOptions Options = {aoAutoFormat};
  int WrapPos = 60;
};

const TPasteCase kPasteCases[] = {
    {"lines before the row, last one joined at the caret", {"ab"}, {1, 0}, {}, {}, "x\r\ny", "",
     {"x\r", "ayb"}, {2, 1}},
    {"at a row start the lines come in order", {"ab"}, {0, 0}, {}, {}, "x\r\ny\r\n", "",
     {"x\r", "y\r", "ab"}, {0, 2}},
    {"lone CR and lone LF end lines too", {"ab"}, {0, 0}, {}, {}, "x\ry\nz", "", {"x\r", "y\r", "zab"}, {1, 2}},
    {"one line is typed in", {"ab"}, {1, 0}, {}, {}, "xy", "", {"axyb"}, {3, 0}},
    {"one line overtypes like typing", {"abcd"}, {1, 0}, {}, {}, "xy", "", {"axyd"}, {3, 0}, true},
    {"a selection is replaced", {"abcd"}, {3, 0}, {1, 0}, {3, 0}, "X", "", {"aXd"}, {2, 0}},
    {"empty clipboard changes nothing", {"ab"}, {1, 0}, {}, {}, "", "", {"ab"}, {1, 0}},
    {"a zero byte ends Hotaru's bytes", {"ab"}, {1, 0}, {}, {}, "", std::string("x\0y", 3), {"axb"}, {2, 0}},
    {"a zero character ends other text", {"ab"}, {1, 0}, {}, {}, QString::fromUtf16(u"x\u0000y", 3), "", {"axb"},
     {2, 0}},
    {"a wave dash from outside is 8160", {""}, {0, 0}, {}, {}, QString(QChar(0x301C)), "", {"\x81\x60"}, {2, 0}},
    {"no CP932 code becomes the middle dot", {""}, {0, 0}, {}, {}, QStringLiteral("a\u00E9b"), "",
     {"a\x81\x45" "b"}, {4, 0}},
    // Hotaru's own lines go in exactly at the caret, in insert mode, and
    // the lines between are wrapped (the default wrap column is 60).
    {"own lines split the row at the caret", {"ab"}, {1, 0}, {}, {}, "", "x\ry", {"ax\r", "yb"}, {1, 1}},
    {"own lines ending with a break", {"ab"}, {1, 0}, {}, {}, "", "x\ry\r", {"ax\r", "y\r", "b"}, {0, 2}},
    {"own lines are never typed over", {"abcd"}, {1, 0}, {}, {}, "", "x\ry", {"ax\r", "ybcd"}, {1, 1}, true},
    {"own long line between is wrapped", {"ab"}, {1, 0}, {}, {}, "", "x\r" + std::string(70, 'm') + "\ry",
     {"ax\r", std::string(60, 'm'), std::string(10, 'm') + "\r", "yb"}, {1, 3}},
    {"own lines replace a selection", {"abcd"}, {3, 0}, {1, 0}, {3, 0}, "", "x\ry", {"ax\r", "yd"}, {1, 1}},
    // Wrapping the first line between goes on into the second one, already
    // wrapped, and wraps it again: the rows that adds lie above the caret.
    {"own lines between wrapped twice", {"\r", "b\x81u\x93\xFA", "\x81uaa"}, {2, 2}, {}, {}, "",
     "\r\x93\xFA\t\x93\xFA\x81" "B\rb\x93\xFA" "bba\x81" "B\t\t\x93\xFA\x81" "B\rbb",
     {"\r", "b\x81u\x93\xFA", "\x81u\r", "\x93\xFA\t\x93\xFA\x81" "B\r", "b\x93\xFA", "bba\x81" "B", "\t",
      "\t\x93\xFA\x81" "B\r", "bbaa"},
     {2, 8}, false, {aoAutoFormat, aoJpnBanBreak, aoWordWrap}, 7},
};

void PrintTo(const TPasteCase& c, std::ostream* os) { *os << c.Name; }

class Paste : public Clipboard, public ::testing::WithParamInterface<TPasteCase> {};

TEST_P(Paste, InsertsAtTheCaretAsOneUndoStep) {
  const TPasteCase& c = GetParam();
  Rows_(c.Doc);
  e.SetOptions(c.Options);
  e.SetDefWrapPos(c.WrapPos);
  WrapTrailCount = WrapLeadCount = 0;
  e.SetCaretPos(c.Caret);
  if (!(c.SelFrom == c.SelTo)) SelectChars(c.SelFrom, c.SelTo);
  if (c.Overtype) Key(Qt::Key_Insert);
  if (!c.Own.empty()) {
    auto* d = new QMimeData;
    d->setData(kPrivate, QByteArray(c.Own.data(), static_cast<qsizetype>(c.Own.size())));
    Clip().setMimeData(d);
  } else if (!c.Plain.isEmpty()) {
    Clip().setText(c.Plain);
  }
  e.PasteFromClipboard();
  EXPECT_EQ(TestUtil::RowsOf(e), c.After);
  EXPECT_EQ(e.Caret(), c.CaretAfter);
  EXPECT_FALSE(e.Sel().HasCharSel());
  EXPECT_EQ(e.CheckInvariants(), "");
  // Deleting the selection and inserting are one step; nothing to undo
  // when nothing was pasted.
  EXPECT_EQ(e.UndoBuff().UndoItem() != nullptr, c.After != c.Doc);
  e.Undo();
  EXPECT_EQ(TestUtil::RowsOf(e), c.Doc);
  EXPECT_EQ(e.UndoBuff().UndoItem(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Clipboard, Paste, ::testing::ValuesIn(kPasteCases), CaseName);

TEST_F(Clipboard, BytesWithoutUnicodeRoundTrip) {
  // 0x8540 is an unassigned code, 0xFD no lead byte: other programs see
  // replacement characters, Hotaru gets its bytes back.
  const std::string odd = "a\x85\x40\xFD" "b";
  Rows_({odd});
  SelectChars({0, 0}, {5, 0});
  e.CopySelection(false);
  EXPECT_EQ(Clip().text(), QStringLiteral("a\uFFFD\uFFFDb"));
  EXPECT_EQ(ClipBytes(), odd);
  e.SetCaretPos({5, 0});
  e.Sel().CollapseCharSel();
  e.PasteFromClipboard();
  EXPECT_EQ(TestUtil::RowsOf(e), Rows{odd + odd});
}

TEST_F(Clipboard, RowCutAndPasteKeepsRecords) {
  Rows_({"r0\r", "r1\r", "r2\r", "r3\r", "r4\r", "r5\r", "r6"});
  for (int r = 2; r <= 4; ++r) {
    TLineAttr& a = e.LineAttrs().GetAttr(r);
    a.Indent = static_cast<int16_t>(r);
    a.WrapPos = static_cast<int16_t>(20 + r);
  }
  SelectRows(2, 4);
  Key(Qt::Key_Delete, Qt::ShiftModifier);  // cut, the logical text
  EXPECT_EQ(TestUtil::RowsOf(e), (Rows{"r0\r", "r1\r", "r5\r", "r6"}));
  EXPECT_EQ(ClipText(), "r2\r\nr3\r\nr4\r\n");
  EXPECT_EQ(e.RowClipText(), (Rows{"r2\r", "r3\r", "r4\r"}));

  // Pasted back: the rows return with their records, in front of the
  // caret row.
  e.SetCaretPos({1, 3});
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(TestUtil::RowsOf(e), (Rows{"r0\r", "r1\r", "r5\r", "r2\r", "r3\r", "r4\r", "r6"}));
  EXPECT_EQ(e.Caret(), (TPoint{1, 6}));
  for (int r = 3; r <= 5; ++r) {
    EXPECT_EQ(e.LineAttrs().PeekAttr(r).Indent, r - 1) << r;
    EXPECT_EQ(e.LineAttrs().PeekAttr(r).WrapPos, 20 + r - 1) << r;
  }
  e.Undo();
  EXPECT_EQ(TestUtil::RowsOf(e), (Rows{"r0\r", "r1\r", "r5\r", "r6"}));

  // A copy in the displayed form leaves the saved rows alone.
  SelectChars({0, 0}, {2, 0});
  e.CopySelection(true);
  EXPECT_EQ(e.RowClipText().size(), 3u);
  e.Sel().CollapseCharSel();

  // Another program's text is pasted as text: the new row takes the
  // caret row's record.
  Clip().setText(QStringLiteral("n1\nn2\n"));
  e.SetCaretPos({0, 1});
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(TestUtil::RowsOf(e), (Rows{"r0\r", "n1\r", "n2\r", "r1\r", "r5\r", "r6"}));
  EXPECT_EQ(e.LineAttrs().PeekAttr(1).Indent, 0);
  EXPECT_EQ(e.LineAttrs().PeekAttr(1).WrapPos, e.LineAttrs().PeekAttr(2).WrapPos);
}

// Random documents and ranges: a cut (of either form) and a paste at the
// same place, or a copy pasted over the selection, give back every byte.
TEST_F(Clipboard, CutOrCopyThenPasteKeepsEveryByte) {
  std::mt19937 rng(7);
  // Two-byte 日, 。 (may not begin a row) and 「 (may not end one).
  const char* const pieces[] = {"a", "b", " ", "\t", "\x93\xFA", "\r", "\x81\x42", "\x81\x75"};
  auto pick = [&](int N) { return static_cast<int>(rng() % static_cast<unsigned>(N)); };
  // A random character boundary; past the row's CR only when AfterCr (a
  // range that starts there is pasted back before the CR, as typing goes).
  auto point = [&](bool AfterCr) {
    const int r = pick(e.RowCount());
    const std::string_view t = e.RowText(r).view();
    const int n = static_cast<int>(t.size()) - (!AfterCr && !t.empty() && t.back() == '\r' ? 1 : 0);
    int b = 0;
    for (const int to = pick(n + 1); b < to;) b += IsLeadByte(static_cast<unsigned char>(t[b])) ? 2 : 1;
    return e.ByteToDisplayPos({b, r});
  };
  for (int i = 0; i < 1000; ++i) {
    std::string doc;
    for (int k = pick(40); k > 0; --k) doc += pieces[pick(8)];
    e.SetDefWrapPos(6 + pick(8));
    e.SetText("");
    e.SetOptions(pick(2) ? TAFEditOptions{aoAutoFormat} : TAFEditOptions{aoAutoFormat, aoWordWrap, aoJpnBanBreak});
    e.InsertText(doc);  // typed, so that its rows are wrapped
    const std::string before = e.Text();
    const Rows rowsBefore = TestUtil::RowsOf(e);
    const TPoint a = point(false), b = point(true);
    if (b.Y < a.Y || (a.Y == b.Y && b.X <= a.X)) continue;  // no selection: nothing to copy
    SelectChars(a, b);
    const int how = pick(3);
    if (how == 0) {
      e.CutToClipboard();
    } else {
      e.CopySelection(how == 1);
      if (how == 1) e.DeleteSelection();
    }
    e.PasteRequest();
    ASSERT_EQ(e.Text(), before) << i << ": " << how << " of " << ::testing::PrintToString(rowsBefore);
    ASSERT_EQ(e.CheckInvariants(), "") << i;
  }
}

// ---- the input method ----

TEST_F(Clipboard, PreeditThenCommitIsOneTypedStep) {
  Rows_({"ab"});
  e.SetCaretPos({1, 0});
  e.UpdateCaret();
  Im(QStringLiteral("にほんご"), {});
  Im(QStringLiteral("日本語"), {});
  EXPECT_EQ(e.Preedit(), QStringLiteral("日本語"));
  EXPECT_EQ(TestUtil::RowsOf(e), Rows{"ab"});
  EXPECT_EQ(e.UndoBuff().UndoItem(), nullptr);

  Im({}, QStringLiteral("日本語"));
  EXPECT_EQ(e.Preedit(), QString());
  EXPECT_EQ(TestUtil::RowsOf(e), Rows{"a" + Sjis("日本語") + "b"});
  EXPECT_EQ(e.Caret(), (TPoint{7, 0}));
  e.Undo();
  EXPECT_EQ(TestUtil::RowsOf(e), Rows{"ab"});
  EXPECT_EQ(e.UndoBuff().UndoItem(), nullptr);

  // A character without a CP932 code becomes the middle dot.
  Im({}, QStringLiteral("x\U0001F600y"));
  EXPECT_EQ(TestUtil::RowsOf(e), Rows{"ax\x81\x45yb"});
}

// While composing, the caret stands at the input method's cursor in the
// preedit (each CP932 byte a cell), and back at the insertion point after
// the commit.
TEST_F(Clipboard, TheCaretFollowsThePreeditCursor) {
  Rows_({"ab"});
  e.SetCaretPos({1, 0});
  e.UpdateCaret();
  const int x0 = e.CaretRect().Left, cw = e.CellWidth();
  const struct {
    const char* Preedit;
    int Cursor;
    int Cells;
  } cases[] = {{"にほんご", 2, 4}, {"にほんご", 4, 8}, {"にほんご", 0, 0}, {"aに", 1, 1}, {"にほ", -1, 0}, {"にほ", 9, 4}};
  for (const auto& c : cases) {
    Im(QString::fromUtf8(c.Preedit), {}, c.Cursor);
    EXPECT_EQ(e.CaretRect().Left, x0 + c.Cells * cw) << c.Preedit << " " << c.Cursor;
    // The input method is told where the caret stands.
    const QPoint caret = e.viewport()->mapTo(&e, QPoint(x0 + c.Cells * cw, 0));
    EXPECT_EQ(e.inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), caret.x());
    e.UpdateCaret();  // a caret update keeps it there
    EXPECT_EQ(e.CaretRect().Left, x0 + c.Cells * cw) << c.Preedit << " " << c.Cursor;
  }
  Im({}, QStringLiteral("日本"));
  EXPECT_EQ(e.CaretRect().Left, x0 + 4 * cw);
}

}  // namespace
