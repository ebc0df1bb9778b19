// The main window around the editor: line-breaking rules, the status line,
// the caption, sizes, zoom, dialogs' folders, menus' keys, the help and
// About boxes, recent files, dropped files and text saves of laid-out
// documents, on the real window with the dialogs answered by a script.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <map>
#include <string>

#include "AFEdit/AFEdit.h"
#include "app/FakeUi.h"
#include "app/RecentFiles.h"
#include "app/Settings.h"
#include "app/StatusLine.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/WindowPlacement.h"
#include "app/Zoom.h"
#include "common/Doc.h"

namespace {

// あ × 30 fills the 60 columns of a row: 、 would begin the next one.
std::string KinsokuLine() {
  std::string s;
  for (int i = 0; i < 30; ++i) s += "\x82\xA0";
  return s + "\x81\x41\x82\xA2\x82\xA4\x81\x42\r\n";  // 、いう。
}
const std::string kTen = "\x81\x41";  // 、

class Window : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    Write("doc.txt", "abc\r\nxyz");
    Write("k.txt", KinsokuLine());
  }
  // A window made after the settings were pointed at the test's folder.
  TForm1& Form() {
    if (!FForm) {
      FForm = std::make_unique<TForm1>(Ui);
      FForm->show();
    }
    return *FForm;
  }
  void Reopen() {
    FForm.reset();
    Form();
  }
  QString Path(const std::string& Name) const { return Dir.filePath(QString::fromStdString(Name)); }
  void Write(const std::string& Name, const std::string& Bytes) const {
    QFile f(Path(Name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Bytes.data(), static_cast<qint64>(Bytes.size()));
  }
  std::string Read(const std::string& Name) const {
    QFile f(Path(Name));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<none>";
  }
  TAFEdit& E() { return *Form().AFEdit1; }
  std::string Status() {
    Form().StatusLine().Refresh();
    return Form().StatusLine().Text().toStdString();
  }
  bool SomeRowStartsWith(const std::string& Bytes) {
    for (int r = 0; r < E().RowCount(); ++r)
      if (E().RowText(r).view().substr(0, Bytes.size()) == Bytes) return true;
    return false;
  }

  TFrameNoticesSkipped Skipped;
  QTemporaryDir Dir;
  TStateHome State;
  TSettingsHome Settings;
  TFakeUi Ui{Dir};
  std::unique_ptr<TForm1> FForm;
};

// ---- 1. line-breaking rules ----

TEST_F(Window, LineBreakingRulesAreOnAndSwitchAsOneUndoStep) {
  // Loading keeps lines whole; typing at the end of the line wraps it.
  ASSERT_TRUE(Form().Commands().OpenFile(Path("k.txt"), 0));
  EXPECT_TRUE(E().Options().contains(aoJpnBanBreak));
  EXPECT_TRUE(Form().BanBreak1->isChecked());
  E().SetCaretPos(E().ByteToDisplayPos({static_cast<int>(E().RowText(0).size()) - 1, 0}));
  E().InsertText("x");
  const std::string text = E().Text();
  ASSERT_GT(E().RowCount(), 2);
  EXPECT_FALSE(SomeRowStartsWith(kTen));
  const TestUtil::Rows kinsoku = TestUtil::RowsOf(E());
  const int caretByte = 40;
  E().SetCaretPos(E().OffsetToPos(caretByte));

  Form().BanBreak1->trigger();  // off: 、 begins the second row
  EXPECT_FALSE(E().Options().contains(aoJpnBanBreak));
  EXPECT_TRUE(SomeRowStartsWith(kTen));
  EXPECT_EQ(E().Text(), text);
  EXPECT_EQ(E().PosPlace(E().Caret()).Offset, caretByte);
  EXPECT_EQ(E().CheckInvariants(), "");

  Form().Undo1->trigger();  // the re-wrap is one step
  EXPECT_EQ(TestUtil::RowsOf(E()), kinsoku);
  Form().Redo1->trigger();
  EXPECT_TRUE(SomeRowStartsWith(kTen));
  Form().BanBreak1->trigger();  // on again
  EXPECT_EQ(TestUtil::RowsOf(E()), kinsoku);

  Form().BanBreak1->trigger();
  Reopen();  // remembered
  EXPECT_FALSE(E().Options().contains(aoJpnBanBreak));
  EXPECT_FALSE(Form().BanBreak1->isChecked());
  Form().WordWrap1->trigger();
  Reopen();
  EXPECT_TRUE(E().Options().contains(aoWordWrap));
}

// ---- 2. status line ----

struct TStatusCase {
  const char* Name;
  TestUtil::Rows Rows;
  TPoint Caret;
  TPoint SelFrom, SelTo;  // equal: none
  int RowSelFrom, RowSelTo;  // -1: none
  bool Overwrite;
  const char* Status;
};

const TStatusCase kStatusCases[] = {
    {"start", {"abc\r", "xyz"}, {0, 0}, {}, {}, -1, -1, false, "行 1、桁 1 | 挿入 | CRLF | Shift_JIS"},
    {"second line", {"abc\r", "xyz"}, {2, 1}, {}, {}, -1, -1, false, "行 2、桁 3 | 挿入 | CRLF | Shift_JIS"},
    {"wrapped row counts in its line", {"abcd", "efg\r", "h"}, {2, 1}, {}, {}, -1, -1, false,
     "行 1、桁 7 | 挿入 | CRLF | Shift_JIS"},
    {"two-byte characters are two columns", {"\x82\xA0\x82\xA2x"}, {4, 0}, {}, {}, -1, -1, false,
     "行 1、桁 5 | 挿入 | CRLF | Shift_JIS"},
    {"selection over a line end as saved", {"abc\r", "xyz"}, {1, 1}, {1, 0}, {1, 1}, -1, -1, false,
     "行 2、桁 2 | 選択 5 バイト | 挿入 | CRLF | Shift_JIS"},
    {"backward selection", {"abc\r", "xyz"}, {0, 0}, {3, 0}, {0, 0}, -1, -1, false,
     "行 1、桁 1 | 選択 3 バイト | 挿入 | CRLF | Shift_JIS"},
    {"row selection", {"abcd", "efg\r", "h"}, {0, 0}, {}, {}, 0, 1, false,
     "行 1、桁 1 | 選択 2 行 | 挿入 | CRLF | Shift_JIS"},
    {"overwrite", {"abc"}, {1, 0}, {}, {}, -1, -1, true, "行 1、桁 2 | 上書 | CRLF | Shift_JIS"},
};

void PrintTo(const TStatusCase& c, std::ostream* os) { *os << c.Name; }

class StatusLine : public Window, public ::testing::WithParamInterface<TStatusCase> {};

TEST_P(StatusLine, ShowsWhereTheCaretIs) {
  const TStatusCase& c = GetParam();
  TestUtil::SetRows(E(), c.Rows);
  E().SetCaretPos(c.Caret);
  E().Sel().SetAnchorPos(c.SelFrom);
  E().Sel().SetActivePos(c.SelTo);
  E().Sel().SetAnchorRow(c.RowSelFrom);
  E().Sel().SetActiveRow(c.RowSelTo);
  E().SetInsertMode(!c.Overwrite);
  EXPECT_EQ(Status(), c.Status);
}

INSTANTIATE_TEST_SUITE_P(Window, StatusLine, ::testing::ValuesIn(kStatusCases));

TEST_F(Window, StatusLineFollowsKeysAndTheEditedMark) {
  ASSERT_TRUE(Form().Commands().OpenFile(Path("doc.txt"), 0));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
  E().setFocus(Qt::OtherFocusReason);
  QTest::keyClick(&E(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(&E(), "!");
  QTest::keyClick(&E(), Qt::Key_Insert);
  // Refreshed at the next turn of the event loop, not at once.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Form().StatusLine().Text().contains(QStringLiteral("上書")); }, 2000));
  EXPECT_EQ(Form().StatusLine().Text().toStdString(), "行 2、桁 5 | 上書 | CRLF | Shift_JIS | 変更あり");
  EXPECT_EQ(Form().windowHandle()->title(), "*doc.txt – HotaruLE");
  Form().Undo1->trigger();
  EXPECT_EQ(Status(), "行 2、桁 4 | 上書 | CRLF | Shift_JIS");
  EXPECT_EQ(Form().windowHandle()->title(), "doc.txt – HotaruLE");
}

// ---- 4. sizes ----

TEST(WindowSize, FirstSizeFitsTheCellsOrEightyPercentOfTheScreen) {
  // 100 × 40 cells of 6 × 13 pixels and 60 × 90 pixels of the rest.
  EXPECT_EQ(FirstWindowSize({100, 40}, {6, 13}, {60, 90}, {1920, 1080}), QSize(660, 610));
  EXPECT_EQ(FirstWindowSize({100, 40}, {12, 26}, {60, 90}, {1920, 1080}), QSize(1260, 864));
  EXPECT_EQ(FirstWindowSize({100, 40}, {6, 13}, {60, 90}, {640, 480}), QSize(512, 384));
}

TEST_F(Window, FirstWindowShowsHundredColumnsOrMostOfTheScreenAndIsRemembered) {
  const QSize avail = Form().screen()->availableGeometry().size();
  const TRect text = E().TextRect();
  const int cols = (text.Right - text.Left) / E().CellWidth();
  const int rows = (text.Bottom - text.Top) / E().RowHeight();
  const bool fits = cols >= kFirstCols && rows >= kFirstRows;
  const bool bounded = Form().width() == avail.width() * 4 / 5 || Form().height() == avail.height() * 4 / 5;
  EXPECT_TRUE(fits || bounded) << cols << " × " << rows << " in " << Form().width() << " × " << Form().height();
  EXPECT_LE(Form().width(), avail.width() * 4 / 5);
  EXPECT_LE(Form().height(), avail.height() * 4 / 5);

  Form().resize(500, 300);
  Form().move(20, 30);
  QTest::qWait(20);
  const QRect placed = Form().geometry();
  Form().close();
  Reopen();
  EXPECT_EQ(Form().geometry().size(), placed.size());
}

// ---- 5. zoom ----

TEST(ZoomSteps, StepThroughTheSizesAndStayInRange) {
  const int cases[][3] = {{9, 1, 10}, {9, -1, 8}, {8, -1, 8}, {48, 1, 48}, {44, 1, 48}, {13, 1, 14},
                          {13, -1, 12}, {0, 1, 10}, {100, -1, 44}};
  for (const auto& c : cases) EXPECT_EQ(ZoomStep(c[0], c[1]), c[2]) << c[0] << " " << c[1];
  EXPECT_EQ(PixelsOfPoints(9), 12);
  EXPECT_EQ(ValidPoints(0), kDefaultPoints);
  EXPECT_EQ(ValidPoints(99), kMaxPoints);
}

TEST_F(Window, ZoomKeysAndCtrlWheelResizeTheGridAndKeepTheCaretRow) {
  TestUtil::Rows rows(200, "line\r");
  rows.back() = "end";
  TestUtil::SetRows(E(), rows);
  E().SetCaretPos({0, 150});
  E().ScrollToCaret();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
  E().setFocus(Qt::OtherFocusReason);
  const int cell = E().CellWidth(), rowh = E().RowHeight(), ruler = E().TextRect().Top;
  EXPECT_EQ(FontPointsOf(E()), kDefaultPoints);

  for (int i = 0; i < 3; ++i) QTest::keyClick(&E(), Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(FontPointsOf(E()), 12);
  EXPECT_GT(E().CellWidth(), cell);
  EXPECT_GT(E().RowHeight(), rowh);
  EXPECT_GT(E().TextRect().Top, ruler);                      // the ruler
  EXPECT_EQ(E().TextRect().Left, 6 * E().CellWidth());       // the row numbers' margin
  EXPECT_LE(E().TopRow(), 150);
  EXPECT_LT(150, E().TopRow() + E().VisibleRowCount());
  EXPECT_EQ(E().CheckInvariants(), "");

  QTest::keyClick(&E(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(FontPointsOf(E()), 11);
  QTest::keyClick(&E(), Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(FontPointsOf(E()), kDefaultPoints);
  EXPECT_EQ(E().CellWidth(), cell);

  QWidget* view = E().viewport();
  QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view, &wheel);
  EXPECT_EQ(FontPointsOf(E()), 10);
  for (int i = 0; i < 30; ++i) Form().ZoomIn1->trigger();
  EXPECT_EQ(FontPointsOf(E()), kMaxPoints);
  Reopen();  // remembered
  EXPECT_EQ(FontPointsOf(E()), kMaxPoints);
}

// ---- 6. dialogs ----

TEST_F(Window, DialogsStartInTheDocumentsFolderElseTheLastOne) {
  ASSERT_TRUE(QDir(Dir.path()).mkdir("sub"));
  Write("sub/s.txt", "s");
  Ui.Answers = {"sub/s.txt"};
  Form().Open1->trigger();
  EXPECT_EQ(Ui.LastDialog.FileName, QString());
  Ui.Answers = {""};
  Form().SaveAs1->trigger();  // offers the document's name in its folder
  EXPECT_EQ(Ui.LastDialog.FileName, Path("sub/s.txt"));
  EXPECT_EQ(Ui.LastDialog.Directory, Path("sub"));
  Form().New1->trigger();
  Ui.Answers = {""};
  Form().Open1->trigger();  // no document: the folder last chosen
  EXPECT_EQ(Ui.LastDialog.FileName, QString());
  EXPECT_EQ(Ui.LastDialog.Directory, Path("sub"));
}

// ---- 7. menus and keys, 8. help and About ----

TEST_F(Window, AltLetterOpensItsMenuAndF1ShowsHelp) {
  TForm2 help(Ui);
  Form().Form2 = &help;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
  E().setFocus(Qt::OtherFocusReason);
  QMenu* file = Form().menuBar()->actions().front()->menu();
  QTest::keyClick(&E(), Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 2000));
  QTest::keyClick(file, Qt::Key_Escape);
  QTest::keyClick(file, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !file->isVisible(); }, 2000));

  E().setFocus(Qt::OtherFocusReason);
  QTest::keyClick(&E(), Qt::Key_F1);
  EXPECT_TRUE(help.isVisible());
  help.resize(600, 400);
  QTest::qWait(20);
  EXPECT_EQ(help.Memo1->geometry(), help.rect());  // the text fills the window

  Form().About1->trigger();
  EXPECT_EQ(Ui.Log.substr(Ui.Log.size() - 5), "about");
  EXPECT_NE(Ui.About.find(HotaruVersion().toStdString()), std::string::npos) << Ui.About;
  EXPECT_NE(Ui.About.find("Qt " QT_VERSION_STR), std::string::npos) << Ui.About;
}

// ---- 9. recent files ----

TEST(RecentList, NewestFirstOncePerPathAtMostTen) {
  TRecentFiles r;
  for (int i = 0; i < 12; ++i) r.Add(QStringLiteral("/f%1").arg(i), 0);
  r.Add(QStringLiteral("/f5"), lmBinary);
  ASSERT_EQ(r.Items().size(), TRecentFiles::kMax);
  EXPECT_EQ(r.Items().front(), (TRecentFile{QStringLiteral("/f5"), lmBinary}));
  EXPECT_EQ(r.Items()[1].Path, "/f11");
  EXPECT_EQ(r.Items().back().Path, "/f2");
}

TEST_F(Window, RecentFilesReopenInTheirStyleAndMissingOnesAreGreyedAndRemoved) {
  ASSERT_TRUE(Form().Commands().OpenFile(Path("doc.txt"), 0));
  Ui.Answers = {"bin.hot"};
  Form().BinarySave1->trigger();
  Write("gone.txt", "g");
  ASSERT_TRUE(Form().Commands().OpenFile(Path("gone.txt"), 0));
  QFile::remove(Path("gone.txt"));
  Reopen();
  Form().Recent().Rebuild();
  QStringList shown;
  for (QAction* a : Form().Recent1->actions())
    shown << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : "(off)"));
  EXPECT_EQ(shown, QStringList({"&1 " + Path("gone.txt") + "(off)", "&2 " + Path("bin.hot") + "（バイナリ式）",
                                "&3 " + Path("doc.txt"), "-", "見つからないファイルを一覧から削除(&M)",
                                "一覧を消去(&C)"}));
  Form().Recent1->actions()[1]->trigger();  // bin.hot, binary
  EXPECT_EQ(Form().Commands().FileMode(), lmBinary);
  EXPECT_EQ(E().Text(), "abc\r\nxyz");
  Form().Recent().Rebuild();
  Form().Recent1->actions()[4]->trigger();  // removes gone.txt
  Form().Recent().Rebuild();
  EXPECT_EQ(Form().Recent1->actions()[0]->text(), "&1 " + Path("bin.hot") + "（バイナリ式）");
  EXPECT_EQ(Form().Recent1->actions().size(), 5);
}

// ---- 10. dropped files ----

void Drop(TForm1& Form, const QList<QUrl>& Urls) {
  QMimeData data;
  data.setUrls(Urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Form, &enter);
  if (!enter.isAccepted()) return;
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Form, &drop);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

TEST_F(Window, ADroppedFileOpensAsOpenWould) {
  E().InsertText("!");
  Ui.Answers = {"cancel"};
  Drop(Form(), {QUrl::fromLocalFile(Path("doc.txt"))});
  EXPECT_EQ(Ui.Log, "ask");
  EXPECT_EQ(E().Text(), "!");
  Ui.Answers = {"no"};
  Drop(Form(), {QUrl::fromLocalFile(Path("doc.txt")), QUrl::fromLocalFile(Path("k.txt"))});
  EXPECT_EQ(Ui.Log, "ask ask warn");
  EXPECT_EQ(E().Text(), "abc\r\nxyz");
  EXPECT_EQ(Form().Commands().FileName(), Path("doc.txt"));
  ASSERT_EQ(Ui.Warnings.size(), 1u);
  EXPECT_NE(Ui.Warnings[0].find("2 個のファイル"), std::string::npos);
  Drop(Form(), {QUrl(QStringLiteral("https://example.com/a.txt"))});  // refused
  EXPECT_EQ(Ui.Log, "ask ask warn");
}

// ---- 11. text save of a laid-out document ----

struct TLayoutCase {
  const char* Layout;   // "indent", "color", "wrap", "cols" (a coloured byte) or "" on row 0
  const char* Steps;    // "save", "binsave", "edit"
  const char* Answers;
  const char* Log;
  const char* Saved;    // doc.txt afterwards
};

const TLayoutCase kLayoutCases[] = {
    {"", "edit save", "", "", "abc\r\nxyz!"},
    {"indent", "edit save", "no", "layout notice", "abc\r\nxyz"},
    {"indent", "edit save save", "no,yes", "layout notice layout", "abc\r\nxyz!"},
    {"color", "edit save edit save", "yes", "layout", "abc\r\nxyz!!"},  // asked once
    {"wrap", "edit save", "yes", "layout", "abc\r\nxyz!"},
    {"cols", "edit save", "no", "layout notice", "abc\r\nxyz"},
    {"indent", "edit binsave", "doc.hot", "save:保存:txt", "abc\r\nxyz"},
};

void PrintTo(const TLayoutCase& c, std::ostream* os) { *os << c.Layout << " / " << c.Steps; }

class TextSave : public Window, public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(TextSave, AsksOnceBeforeDroppingLayout) {
  const TLayoutCase& c = GetParam();
  ASSERT_TRUE(Form().Commands().OpenFile(Path("doc.txt"), 0));
  TLineAttr& a = E().LineAttrs().GetAttr(0);
  const std::string layout = c.Layout;
  if (layout == "indent") a.Indent = 2;
  if (layout == "color") a.TextColor = 0x0000FF;
  if (layout == "wrap") a.WrapPos = 30;
  if (layout == "cols") E().LineAttrs().EnsureColAttrs(0, 3).Items(1).Active = true;
  for (const QString& s : QString::fromUtf8(c.Answers).split(',', Qt::SkipEmptyParts)) Ui.Answers.push_back(s.toStdString());
  for (const QString& s : QString::fromUtf8(c.Steps).split(' ')) {
    if (s == "edit") E().SetRowText(E().RowCount() - 1, E().RowText(E().RowCount() - 1).str() + "!", true);
    if (s == "save") Form().Save1->trigger();
    if (s == "binsave") Form().BinarySave1->trigger();
  }
  EXPECT_EQ(Ui.Log, c.Log);
  EXPECT_EQ(Read("doc.txt"), c.Saved);
  if (Ui.Log.find("notice") != std::string::npos) {
    EXPECT_NE(Ui.Notices.back().find("バイナリ式に保存"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Window, TextSave, ::testing::ValuesIn(kLayoutCases));

}  // namespace
