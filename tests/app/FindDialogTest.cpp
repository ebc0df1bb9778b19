// The 検索 menu and the find dialog driven with real key events: the dialog
// stays open while typing goes on in the document, Enter finds the next
// match, replace all is one undo step, and matches in view are highlighted
// only while the dialog is open.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "AFEdit/AFEdit.h"
#include "app/FakeUi.h"
#include "app/FindCommands.h"
#include "app/FindDialog.h"
#include "app/Unit1.h"

namespace {

// Text committed by an input method into a field, as Japanese arrives.
void Commit(QWidget* W, const char* Utf8) {
  QInputMethodEvent ev;
  ev.setCommitString(QString::fromUtf8(Utf8));
  QCoreApplication::sendEvent(W, &ev);
}

QtMessageHandler gOuter = nullptr;
void SkipFrameNotices(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Text.startsWith(QLatin1String("This plugin does not support"))) return;
  gOuter(Type, Context, Text);
}

class FindUi : public ::testing::Test {
protected:
  void SetUp() override {
    gOuter = qInstallMessageHandler(SkipFrameNotices);
    Form.show();
    Edit().SetText("cat dog cat\r\n\x93\xFA\x96\x7B cat");
  }
  void TearDown() override { qInstallMessageHandler(gOuter); }
  TAFEdit& Edit() { return *Form.AFEdit1; }
  TFindCommands& Finds() { return Form.FindCommands(); }
  TFindDialog& Dialog() { return Finds().Dialog(); }
  std::string Selected() {
    return Edit().GetRangeText(Edit().Sel().GetSelStart(), Edit().Sel().GetSelEnd(), false);
  }
  // Whether any pixel of a cell shows the highlight's background.
  bool Highlighted(int Col, int Row) {
    const QImage& img = Edit().Surface();
    const qreal ratio = img.devicePixelRatio();
    const int x0 = Edit().TextRect().Left + (Col - Edit().LeftCol()) * Edit().CellWidth();
    const int y0 = Edit().TextRect().Top + (Row - Edit().TopRow()) * Edit().RowHeight();
    for (int y = y0; y < y0 + Edit().RowHeight(); ++y)
      for (int x = x0; x < x0 + Edit().CellWidth(); ++x)
        if (img.pixelColor(qRound(x * ratio), qRound(y * ratio)) == QColor(0xFF, 0xFF, 0x66)) return true;
    return false;
  }

  QTemporaryDir Dir;
  TStateHome State;
  TFakeUi Ui{Dir};
  TForm1 Form{Ui};
};

TEST_F(FindUi, MenuSitsBetweenEditAndToolsWithItsKeys) {
  QStringList titles;
  for (QAction* a : Form.menuBar()->actions()) titles << a->text();
  ASSERT_GE(titles.indexOf(QStringLiteral("検索(&S)")), 1);
  EXPECT_EQ(titles.indexOf(QStringLiteral("検索(&S)")), titles.indexOf(QStringLiteral("機能(&T)")) - 1);
  EXPECT_EQ(titles.indexOf(QStringLiteral("検索(&S)")), titles.indexOf(QStringLiteral("編集(&E)")) + 1);
  const std::pair<QAction*, const char*> keys[] = {{Finds().Find1, "Ctrl+F"},
                                                   {Finds().FindNext1, "F3"},
                                                   {Finds().FindPrev1, "Shift+F3"},
                                                   {Finds().Replace1, "Ctrl+H"},
                                                   {Finds().GoToLine1, "Ctrl+G"}};
  for (const auto& [a, k] : keys) EXPECT_EQ(a->shortcut().toString(), QString::fromLatin1(k));
}

TEST_F(FindUi, EnterFindsNextWhileTypingGoesOnInTheDocument) {
  Finds().Find1->trigger();
  ASSERT_TRUE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().isModal());
  QTest::keyClicks(Dialog().Pattern, QStringLiteral("cat"));
  QTest::keyClick(Dialog().Pattern, Qt::Key_Return);
  EXPECT_EQ(Selected(), "cat");
  EXPECT_EQ(Edit().Sel().GetSelStart(), (TPoint{0, 0}));
  QTest::keyClick(Dialog().Pattern, Qt::Key_Return);
  EXPECT_EQ(Edit().Sel().GetSelStart(), (TPoint{8, 0}));
  QTest::keyClick(Dialog().Pattern, Qt::Key_Return);
  EXPECT_EQ(Edit().Sel().GetSelStart(), (TPoint{5, 1}));
  // Back to the start, said in the dialog.
  QTest::keyClick(Dialog().Pattern, Qt::Key_Return);
  EXPECT_EQ(Edit().Sel().GetSelStart(), (TPoint{0, 0}));
  EXPECT_EQ(Dialog().Status(), QStringLiteral("文書の先頭から検索しました。"));
  // The document takes keys with the dialog open.
  Edit().SetCaretPos({0, 1});
  Edit().Sel().Reset();
  QTest::keyClicks(&Edit(), QStringLiteral("x"));
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_EQ(Edit().RowText(1).str(), "x\x93\xFA\x96\x7B cat");
}

TEST_F(FindUi, WhatCannotBeFoundIsSaid) {
  Finds().Find1->trigger();
  const struct {
    const char* Typed;
    const char* Status;
  } cases[] = {
      {"zebra", "\"zebra\" が見つかりません。"},
      {"한", "検索する文字列の「한」は Shift-JIS (CP932) で表せない文字です。"},
  };
  for (const auto& c : cases) {
    Dialog().Pattern->clear();
    Commit(Dialog().Pattern, c.Typed);
    QTest::keyClick(Dialog().Pattern, Qt::Key_Return);
    EXPECT_EQ(Dialog().Status().toStdString(), c.Status);
  }
  Dialog().Regex->setChecked(true);
  Dialog().Pattern->setText(QStringLiteral("ca("));
  QTest::keyClick(Dialog().Pattern, Qt::Key_Return);
  EXPECT_TRUE(Dialog().Status().startsWith(QStringLiteral("正規表現が正しくありません")));
}

TEST_F(FindUi, ReplaceAllIsOneUndoStepAndCounts) {
  const std::string before = Edit().Text();
  Finds().Replace1->trigger();
  ASSERT_TRUE(Dialog().ReplaceMode());
  QTest::keyClicks(Dialog().Pattern, QStringLiteral("cat"));
  Commit(Dialog().Replacement, "猫");
  QTest::mouseClick(Dialog().ReplaceAllButton, Qt::LeftButton);
  EXPECT_EQ(Edit().Text(), "\x94\x4C dog \x94\x4C\r\n\x93\xFA\x96\x7B \x94\x4C");
  EXPECT_EQ(Dialog().Status(), QStringLiteral("3 個所を置換しました。"));
  Edit().Undo();
  EXPECT_EQ(Edit().Text(), before);
}

TEST_F(FindUi, MatchesAreHighlightedOnlyWhileTheDialogIsOpen) {
  Finds().Find1->trigger();
  QTest::keyClicks(Dialog().Pattern, QStringLiteral("cat"));
  QTest::keyClick(Dialog().Pattern, Qt::Key_Return);  // the first is the selection
  EXPECT_FALSE(Highlighted(0, 0));
  EXPECT_TRUE(Highlighted(8, 0));
  EXPECT_TRUE(Highlighted(6, 1));
  EXPECT_FALSE(Highlighted(4, 0));
  QTest::keyClick(Dialog().Pattern, Qt::Key_Escape);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Highlighted(8, 0));
}

TEST_F(FindUi, GoToLineClampsAndSaysSo) {
  Ui.Answers = {"2", "9"};
  Finds().GoToLine1->trigger();
  EXPECT_EQ(Edit().Caret().Y, 1);
  EXPECT_TRUE(Ui.Notices.empty());
  Finds().GoToLine1->trigger();
  EXPECT_EQ(Edit().Caret().Y, 1);
  ASSERT_EQ(Ui.Notices.size(), 1u);
  EXPECT_EQ(Ui.Notices[0], "9 行目はありません。2 行目へ移動しました。");
}

}  // namespace
