// The main window and the help window driven on the offscreen platform,
// with the dialogs and message boxes answered by a script.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <fcntl.h>
#include <sys/stat.h>

#include <deque>
#include <map>
#include <string>

#include "AFEdit/AFEdit.h"
#include "app/FileCommands.h"
#include "app/FormUi.h"
#include "app/StatusLine.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/FakeUi.h"
#include "common/Doc.h"
#include "common/PosixTest.h"

namespace {

// 日本 (a trail byte 0x7B) and a last line without a line end.
const std::string kDoc = "\x93\xFA\x96\x7B\r\nabc";
const std::string kOther = "other\r\n";
// kDoc's size, other bytes.
const std::string kSneaked = "\x93\xFA\x96\x7B\r\nxyz";
// A text file with a zero byte: only "abc" is read.
const std::string kCut("abc\0rest", 8);
// Contents named in the table.
const std::map<std::string, std::string> kContents = {
    {"doc", kDoc}, {"doc!", kDoc + "!"}, {"doc!!", kDoc + "!!"}, {"other", kOther}, {"!", "!"}, {"", ""},
    {"cut", kCut}, {"abc", "abc"}, {"abc!", "abc!"}, {"sneaked", kSneaked}};

// The offscreen platform has no window frames to size or raise and says so
// (a main window's frame follows its contents); every other message counts.
QtMessageHandler gOuterHandler = nullptr;
void SkipFrameNotices(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Text.startsWith(QLatin1String("This plugin does not support"))) return;
  gOuterHandler(Type, Context, Text);
}

class App : public ::testing::Test {
protected:
  void SetUp() override {
    gOuterHandler = qInstallMessageHandler(SkipFrameNotices);
    ASSERT_TRUE(Dir.isValid());
    Write("doc.txt", kDoc);
    Write("other.txt", kOther);
    Write("cut.txt", kCut);
    Form.show();
  }
  void TearDown() override { qInstallMessageHandler(gOuterHandler); }

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
  // Writes Bytes of the file's size into it and sets its modification time
  // back, as cp -p or touch -d would.
  void Sneak(const std::string& Name, const std::string& Bytes) const {
    const std::string path = Path(Name).toStdString();
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    ASSERT_EQ(static_cast<size_t>(st.st_size), Bytes.size());
    Write(Name, Bytes);
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    // The change time moves with the kernel's clock, which may be coarse:
    // touching the file until it moves stands for a change made a moment
    // later.
    struct stat now{};
    for (int i = 0; i < 200000 && ::stat(path.c_str(), &now) == 0 &&
                    now.st_ctim.tv_sec == st.st_ctim.tv_sec && now.st_ctim.tv_nsec == st.st_ctim.tv_nsec;
         ++i)
      ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  // A change to the document: "!" at the end of its last row.
  void Edit() {
    TAFEdit& e = *Form.AFEdit1;
    const int last = e.RowCount() - 1;
    e.SetRowText(last, e.RowText(last).str() + "!", true);
  }
  void Run(const std::string& Step) {
    const std::map<std::string, QAction*> items = {
        {"new", Form.New1},         {"open", Form.Open1},     {"save", Form.Save1},
        {"saveas", Form.SaveAs1},   {"exit", Form.Exit1},     {"binopen", Form.BinaryOpen1},
        {"binsave", Form.BinarySave1}};
    if (Step == "edit") Edit();
    else if (Step == "doc") ASSERT_TRUE(Form.Commands().OpenFile(Path("doc.txt"), 0));
    else if (Step == "cut") ASSERT_TRUE(Form.Commands().OpenFile(Path("cut.txt"), 0));
    else if (Step == "touch") Write("doc.txt", kOther);  // another program writes the file
    else if (Step == "sneak") Sneak("doc.txt", kSneaked);
    else if (Step == "close") Form.windowHandle()->close();  // the frame's close button
    else items.at(Step)->trigger();
  }

  QTemporaryDir Dir;
  TStateHome State;
  TSettingsHome Settings;
  TFakeUi Ui{Dir};
  TForm1 Form{Ui};
};

struct TCommandCase {
  // "doc" and "cut" open doc.txt and cut.txt as Open does, "edit" changes
  // the document, "touch" writes doc.txt as another program would
  const char* Steps;
  const char* Answers;  // to the questions in order, comma-separated: yes, no, cancel, a file name, "" (cancel)
  const char* Log;
  const char* Caption;  // a file's name, or the caption itself
  const char* Text;     // the document afterwards (a key of kContents)
  const char* Files;    // "name=content ..." on disk afterwards
  bool Edited;          // the document is still marked as changed
  bool Open = true;     // the window is still open
  const char* Error = "";  // part of the error message
};

const char* const kNotDir = "パスの途中にフォルダーでないものがあります";

const TCommandCase kCommandCases[] = {
    // New
    {"doc new", "", "", "HotaruLE", "", "doc.txt=doc", false},
    {"doc edit new", "no", "ask", "HotaruLE", "", "doc.txt=doc", false},
    {"doc edit new", "cancel", "ask", "doc.txt", "doc!", "doc.txt=doc", true},
    {"doc edit new", "yes", "ask", "HotaruLE", "", "doc.txt=doc!", false},
    {"edit new", "yes,", "ask save:保存:txt", "Hotaru", "!", "", true},
    {"edit new", "yes,a.txt", "ask save:保存:txt", "HotaruLE", "", "a.txt=!", false},
    // Open and Binary open ask first, and stop when saving did not happen
    {"open", "other.txt", "open:開く", "other.txt", "other", "", false},
    {"doc edit open", "cancel", "ask", "doc.txt", "doc!", "doc.txt=doc", true},
    {"doc edit open", "no,other.txt", "ask open:開く", "other.txt", "other", "doc.txt=doc", false},
    {"edit open", "yes,", "ask save:保存:txt", "Hotaru", "!", "", true},
    {"doc edit binopen", "no,other.txt", "ask open:開く error", "doc.txt", "doc!", "other.txt=other", true,
     true, "バイナリ形式"},
    {"doc binopen", "", "open:開く", "doc.txt", "doc", "", false},
    // Save goes to the current file; Save As and Binary save make the current file
    {"doc save", "", "", "doc.txt", "doc", "doc.txt=doc", false},
    {"doc edit save", "", "", "doc.txt", "doc!", "doc.txt=doc!", false},
    {"edit save", "a.txt", "save:保存:txt", "a.txt", "!", "a.txt=!", false},
    {"doc edit saveas edit save", "a.txt", "save:保存:txt", "a.txt", "doc!!", "doc.txt=doc a.txt=doc!!", false},
    {"doc saveas", "", "save:保存:txt", "doc.txt", "doc", "", false},
    // A file that cannot be created: nothing changes
    {"doc edit saveas", "doc.txt/a.txt", "save:保存:txt error", "doc.txt", "doc!", "doc.txt=doc", true, true, kNotDir},
    {"doc edit binsave", "doc.txt/a.txt", "save:保存:txt error", "doc.txt", "doc!", "doc.txt=doc", true, true, kNotDir},
    // Exit and closing by the frame
    {"doc exit", "", "", "doc.txt", "doc", "", false, false},
    {"doc edit exit", "yes", "ask", "doc.txt", "doc!", "doc.txt=doc!", false, false},
    {"doc edit exit", "no", "ask", "doc.txt", "doc!", "doc.txt=doc", true, false},
    {"doc edit exit", "cancel", "ask", "doc.txt", "doc!", "doc.txt=doc", true},
    {"edit exit", "yes,", "ask save:保存:txt", "Hotaru", "!", "", true},
    {"edit exit", "yes,doc.txt/a.txt", "ask save:保存:txt error", "Hotaru", "!", "doc.txt=doc", true, true, kNotDir},
    {"doc edit close", "yes", "ask", "doc.txt", "doc!", "doc.txt=doc!", false, false},
    {"doc edit close", "no", "ask", "doc.txt", "doc!", "doc.txt=doc", true, false},
    {"doc edit close", "cancel", "ask", "doc.txt", "doc!", "doc.txt=doc", true},
    // A file loaded up to a zero byte: told at loading, asked before it is overwritten
    {"cut", "", "warn", "cut.txt", "abc", "cut.txt=cut", false},
    {"cut edit save", "no", "warn cut", "cut.txt", "abc!", "cut.txt=cut", true},
    {"cut edit save", "yes", "warn cut", "cut.txt", "abc!", "cut.txt=abc!", false},
    {"cut save edit save", "yes", "warn cut", "cut.txt", "abc!", "cut.txt=abc!", false},
    {"cut edit binsave", "cut.txt,no", "warn save:保存:txt cut", "cut.txt", "abc!", "cut.txt=cut", true},
    {"cut edit saveas", "a.txt", "warn save:保存:txt", "a.txt", "abc!", "a.txt=abc! cut.txt=cut", false},
    {"cut edit new", "yes,no", "warn ask cut", "cut.txt", "abc!", "cut.txt=cut", true},
    // A file changed by another program: asked before it is overwritten
    {"doc touch edit save", "no", "changed", "doc.txt", "doc!", "doc.txt=other", true},
    {"doc touch edit save", "yes", "changed", "doc.txt", "doc!", "doc.txt=doc!", false},
    {"doc sneak edit save", "no", "changed", "doc.txt", "doc!", "doc.txt=sneaked", true},
    {"doc touch edit saveas", "doc.txt,no", "save:保存:txt changed", "doc.txt", "doc!", "doc.txt=other", true},
    {"doc touch edit saveas", "a.txt", "save:保存:txt", "a.txt", "doc!", "a.txt=doc! doc.txt=other", false},
    {"doc edit save edit save", "", "", "doc.txt", "doc!!", "doc.txt=doc!!", false},
    {"doc edit saveas touch save", "a.txt", "save:保存:txt", "a.txt", "doc!", "a.txt=doc! doc.txt=other", false},
};

void PrintTo(const TCommandCase& c, std::ostream* os) { *os << c.Steps << " / " << c.Answers; }

class Commands : public App, public ::testing::WithParamInterface<TCommandCase> {};

TEST_P(Commands, Run) {
  const TCommandCase& c = GetParam();
  SCOPED_TRACE(std::string(c.Steps) + " / " + c.Answers);
  if (*c.Answers)
    for (const QString& a : QString::fromUtf8(c.Answers).split(QLatin1Char(','))) Ui.Answers.push_back(a.toStdString());

  for (const QString& step : QString::fromUtf8(c.Steps).split(QLatin1Char(' '))) Run(step.toStdString());

  EXPECT_EQ(Ui.Log, c.Log);
  EXPECT_TRUE(Ui.Answers.empty());
  const QString caption = QString::fromUtf8(c.Caption);
  EXPECT_EQ(Form.windowTitle(), CaptionOf(c.Caption));
  EXPECT_EQ(Form.windowFilePath(), caption.contains(QLatin1Char('.')) ? Path(c.Caption) : QString());
  Form.StatusLine().Refresh();
  EXPECT_EQ(Form.isWindowModified(), c.Edited);
  EXPECT_EQ(Form.AFEdit1->Text(), kContents.at(c.Text));
  for (const QString& f : QString::fromUtf8(c.Files).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const QStringList kv = f.split(QLatin1Char('='));
    EXPECT_EQ(Read(kv[0].toStdString()), kContents.at(kv[1].toStdString())) << kv[0].toStdString();
  }
  EXPECT_EQ(Form.AFEdit1->Edited(), c.Edited);
  EXPECT_EQ(Form.isVisible(), c.Open);
  // A file error names the file, and why.
  for (const std::string& e : Ui.Errors) {
    EXPECT_NE(e.find(Dir.path().toStdString()), std::string::npos) << e;
    EXPECT_NE(e.find(c.Error), std::string::npos) << e;
  }
}

INSTANTIATE_TEST_SUITE_P(App, Commands, ::testing::ValuesIn(kCommandCases));

TEST_F(App, BinaryStyleStaysWithTheFile) {
  Ui.Answers = {"bin.hot"};
  Run("doc");
  Run("binsave");
  EXPECT_EQ(Form.windowFilePath(), Path("bin.hot"));
  Run("edit");
  Run("save");  // to bin.hot, binary again
  const std::string saved = Read("bin.hot");
  Ui.Answers = {"bin.hot"};
  Run("new");
  Run("binopen");
  EXPECT_EQ(Ui.Log, "save:保存:txt open:開く");
  EXPECT_EQ(Form.AFEdit1->Text(), kDoc + "!");
  Run("save");
  EXPECT_EQ(Read("bin.hot"), saved);
  TAFEdit check;
  check.LoadFromFile(Path("bin.hot").toStdString(), lmBinary);
  EXPECT_EQ(check.Text(), kDoc + "!");
}

TEST_F(App, Design) {
  EXPECT_EQ(Form.windowTitle(), CaptionOf("Hotaru"));
  EXPECT_EQ(Form.CoolBar1->geometry(), QRect(0, 0, Form.AFEdit1->width(), 1));
  EXPECT_TRUE(Form.AFEdit1->ViewOpt().contains(voFoldMark));
  EXPECT_EQ(Form.AFEdit1->RowCount(), 1);

  // Every item, "-" for a separator, "(off)" when disabled.  The main
  // menu's common items have the platform's standard keys (Save As and
  // Quit the desktops' keys where the platform has none); the context
  // menu's have none.
  const std::map<QString, QKeySequence::StandardKey> keys = {
      {"新規", QKeySequence::New},         {"開く", QKeySequence::Open},          {"上書き保存", QKeySequence::Save},
      {"名前を付けて保存", QKeySequence::SaveAs}, {"終了", QKeySequence::Quit},    {"元に戻す", QKeySequence::Undo},
      {"やり直し", QKeySequence::Redo},     {"切り取り", QKeySequence::Cut},       {"コピー", QKeySequence::Copy},
      {"貼り付け", QKeySequence::Paste},    {"すべて選択", QKeySequence::SelectAll}};
  // The 検索 menu's keys are fixed ones.
  const std::map<QString, QKeySequence> searchKeys = {
      {"検索(&F)...", QKeySequence("Ctrl+F")}, {"次を検索(&N)", QKeySequence("F3")},
      {"前を検索(&P)", QKeySequence("Shift+F3")}, {"置換(&R)...", QKeySequence("Ctrl+H")},
      {"指定行へ移動(&G)...", QKeySequence("Ctrl+G")}};
  const auto items = [&keys, &searchKeys](QMenu* m, bool Main) {
    QString s = m->title() + ":";
    for (QAction* a : m->actions()) {
      s += a->isSeparator() ? QStringLiteral(" -") : " " + a->text() + (a->isEnabled() ? "" : "(off)");
      const auto k = keys.find(ItemText(a->text()));
      QList<QKeySequence> want;
      if (Main && k != keys.end()) want = QKeySequence::keyBindings(k->second);
      if (Main && want.isEmpty() && ItemText(a->text()) == "名前を付けて保存") want = {QKeySequence("Ctrl+Shift+S")};
      if (Main && want.isEmpty() && ItemText(a->text()) == "終了") want = {QKeySequence("Ctrl+Q")};
      // Redo also has Ctrl+Y.
      if (Main && ItemText(a->text()) == "やり直し" && !want.contains(QKeySequence("Ctrl+Y"))) want << QKeySequence("Ctrl+Y");
      const auto f = searchKeys.find(a->text());
      if (Main && f != searchKeys.end()) want = {f->second};
      if (k != keys.end() || !Main || f != searchKeys.end()) {
        EXPECT_EQ(a->shortcuts(), want) << a->text().toStdString();
      }
    }
    return s;
  };
  QStringList menus;
  for (QAction* m : Form.menuBar()->actions()) menus << items(m->menu(), true);
  menus << items(Form.PopupMenu1, false);
  EXPECT_EQ(menus.join('\n'),
            "ファイル(&F): 新規(&N) 開く(&O) 上書き保存(&S) 名前を付けて保存(&A) - 最近使ったファイル(&R) - 終了(&X)\n"
            "編集(&E): 元に戻す(&U) やり直し(&R) - 切り取り(&T) コピー(&C) 貼り付け(&P) - すべて選択(&A) "
            "日付の貼り付け(&D)\n"
            "検索(&S): 検索(&F)... 次を検索(&N) 前を検索(&P) - 置換(&R)... - 指定行へ移動(&G)...\n"
            "機能(&T): バイナリ式に開く(&B) バイナリ式に保存(&V) - 禁則処理(&K) 英単語を分割しない(&W)\n"
            "表示(&V): 拡大(&I) 縮小(&O) 標準の大きさ(&N)\n"
            "ヘルプ(&H): Hotaru のヘルプ(&H) - バージョン情報(&A)\n"
            ": 切り取り(&T) コピー(&C) 貼り付け(&P)");
  // The dialogs' filter in its order; "*.*" shows every file.
  EXPECT_EQ(QtNameFilters(TFileCommands::kFilter),
            QStringList({"テキストファイル(*.txt) (*.txt)", "C言語ソースファイル(*.c) (*.c)", "HTML(*.html) (*.html)",
                         "Be-Music song(*.bms) (*.bms)", "すべてのファイル(*.*) (*)"}));
}

// ---- edit commands ----

struct TEditCase {
  const char* Steps;  // "rows" 0-1 or "chars" (1,0)-(1,1) selected, "caret" after x, then menu items
  const char* Text;   // the document afterwards
  const char* Clip;   // the clipboard afterwards; it starts as "Q"
};

// "ab" wraps into "cd": the menus copy the displayed rows.
const TEditCase kEditCases[] = {
    {"rows copy", "abcd\r\nx", "ab\r\ncd\r\n"},
    {"rows pcopy", "abcd\r\nx", "ab\r\ncd\r\n"},
    {"selall copy", "abcd\r\nx", "ab\r\ncd\r\nx\r\n"},
    {"chars copy", "abcd\r\nx", " b\r\nc\r\n"},
    {"rows cut", "x", "ab\r\ncd\r\n"},
    {"rows pcut undo", "abcd\r\nx", "ab\r\ncd\r\n"},
    {"chars cut", "ad\r\nx", " b\r\nc\r\n"},
    {"cut", "abcd\r\nx", "Q"},
    {"caret paste", "abcd\r\nxQ", "Q"},
    {"caret ppaste", "abcd\r\nxQ", "Q"},
    {"rows paste", "Qx", "Q"},
    {"caret paste undo", "abcd\r\nx", "Q"},
    {"caret paste undo redo", "abcd\r\nxQ", "Q"},
    {"undo", "abcd\r\nx", "Q"},
    {"caret date", "abcd\r\nx2024/03/05", "Q"},
    {"rows date", "2024/03/05x", "Q"},
    {"caret date undo", "abcd\r\nx", "Q"},
};

void PrintTo(const TEditCase& c, std::ostream* os) { *os << c.Steps; }

class EditCommands : public App, public ::testing::WithParamInterface<TEditCase> {};

// "ab" wraps into "cd", then "x"; the clipboard holds "Q".  Steps select
// "rows" 0-1 or "chars" (1,0)-(1,1), put the "caret" after x, type "!" at
// the caret ("edit"), or run menu items.
void EditSteps(TForm1& Form, const char* Steps) {
  TAFEdit& e = *Form.AFEdit1;
  TestUtil::SetRows(e, {"ab", "cd\r", "x"});
  QGuiApplication::clipboard()->setText(QStringLiteral("Q"));
  const std::map<std::string, QAction*> items = {
      {"undo", Form.Undo1},   {"redo", Form.Redo1},      {"cut", Form.Cut1},
      {"copy", Form.Copy1},   {"paste", Form.Paste1},    {"selall", Form.SelectAll1},
      {"date", Form.PasteDate1}, {"pcut", Form.PopupCut1}, {"pcopy", Form.PopupCopy1},
      {"ppaste", Form.PopupPaste1}};
  for (const QString& step : QString::fromUtf8(Steps).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (step == "rows") {
      e.Sel().SetAnchorRow(0);
      e.Sel().SetActiveRow(1);
    } else if (step == "chars") {
      e.Sel().SetAnchorPos({1, 0});
      e.Sel().SetActivePos({1, 1});
    } else if (step == "caret") {
      e.SetCaretPos({1, 2});
    } else if (step == "edit") {
      e.InsertText("!");
    } else {
      items.at(step.toStdString())->trigger();
    }
  }
}

TEST_P(EditCommands, CallTheEditor) {
  const TEditCase& c = GetParam();
  TAFEdit& e = *Form.AFEdit1;
  EditSteps(Form, c.Steps);
  EXPECT_EQ(e.Text(), c.Text);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.Clip);
  EXPECT_EQ(e.CheckInvariants(), "");
}

INSTANTIATE_TEST_SUITE_P(App, EditCommands, ::testing::ValuesIn(kEditCases));

// ---- the menu items' keys ----

// Logs the main menu's items as they run.
struct TItemLog {
  explicit TItemLog(TForm1& Form) {
    for (QAction* m : Form.menuBar()->actions())
      for (QAction* a : m->menu()->actions())
        QObject::connect(a, &QAction::triggered,
                         [this, a] { Log += (Log.empty() ? "" : " ") + ItemText(a->text()).toStdString(); });
  }
  std::string Log;
};

// The editor focused in the active window, the first entry's Binary open
// (cancelled) done.
void FocusEditor(TForm1& Form) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  Form.AFEdit1->setFocus(Qt::MouseFocusReason);
  QTest::qWait(20);
  ASSERT_TRUE(Form.AFEdit1->hasFocus());
}

struct TKeyCase {
  const char* Steps;  // as in kEditCases, before the key
  QKeyCombination Key;
  const char* Items;  // the menu items the key ran
  const char* Text;   // the document afterwards
  const char* Clip;   // the clipboard afterwards
};

constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

// The menus copy the displayed rows, the editor's own keys the logical text.
const TKeyCase kKeyCases[] = {
    {"rows", kCtrl | Qt::Key_C, "コピー", "abcd\r\nx", "ab\r\ncd\r\n"},
    {"rows", kCtrl | Qt::Key_Insert, "", "abcd\r\nx", "abcd\r\n"},
    {"rows", kCtrl | Qt::Key_X, "切り取り", "x", "ab\r\ncd\r\n"},
    {"rows", kShift | Qt::Key_Delete, "", "x", "abcd\r\n"},
    {"rows", Qt::Key_Delete, "", "x", "Q"},
    {"caret", kCtrl | Qt::Key_V, "貼り付け", "abcd\r\nxQ", "Q"},
    {"caret", kShift | Qt::Key_Insert, "", "abcd\r\nxQ", "Q"},
    {"caret paste paste", kCtrl | Qt::Key_Z, "元に戻す", "abcd\r\nxQ", "Q"},
    {"caret paste paste undo undo", kCtrl | Qt::Key_Y, "やり直し", "abcd\r\nxQ", "Q"},
    {"caret paste paste undo undo", kCtrl | kShift | Qt::Key_Z, "やり直し", "abcd\r\nxQ", "Q"},
    {"caret", kCtrl | Qt::Key_A, "すべて選択", "abcd\r\nx", "Q"},
    {"caret", kCtrl | Qt::Key_S, "上書き保存", "abcd\r\nx", "Q"},
    {"caret", kCtrl | Qt::Key_O, "開く", "abcd\r\nx", "Q"},
    {"caret", kCtrl | kShift | Qt::Key_S, "名前を付けて保存", "abcd\r\nx", "Q"},
    {"caret", kCtrl | Qt::Key_N, "新規", "", "Q"},
    {"caret edit", kCtrl | Qt::Key_Q, "終了", "abcd\r\nx!", "Q"},
};

void PrintTo(const TKeyCase& c, std::ostream* os) {
  *os << c.Steps << " / " << QKeySequence(c.Key).toString().toStdString();
}

class MenuKeys : public App, public ::testing::WithParamInterface<TKeyCase> {};

TEST_P(MenuKeys, RunTheItemOnceOrStayTheEditors) {
  const TKeyCase& c = GetParam();
  FocusEditor(Form);
  EditSteps(Form, c.Steps);
  const TItemLog items(Form);
  QTest::keyClick(Form.AFEdit1, c.Key.key(), c.Key.keyboardModifiers());
  EXPECT_EQ(items.Log, c.Items);
  EXPECT_EQ(Form.AFEdit1->Text(), c.Text);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.Clip);
  // The file commands asked their questions (and were cancelled).
  EXPECT_TRUE(Form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(App, MenuKeys, ::testing::ValuesIn(kKeyCases));

// Every key the platform binds to an item runs that item once, unless it
// is one of the editor's own keys (Insert and Delete).
TEST_F(App, EveryBoundKeyRunsItsItemOnce) {
  FocusEditor(Form);
  const TItemLog items(Form);
  std::string want;
  for (QAction* m : Form.menuBar()->actions()) {
    for (QAction* a : m->menu()->actions()) {
      for (const QKeySequence& k : a->shortcuts()) {
        const QKeyCombination key = k[0];
        if (key.key() == Qt::Key_Insert || key.key() == Qt::Key_Delete) continue;
        // Edited: the file commands ask first, and are cancelled.
        TestUtil::SetRows(*Form.AFEdit1, {"ab"});
        Form.AFEdit1->InsertText("!");
        QTest::keyClick(Form.AFEdit1, key.key(), key.keyboardModifiers());
        want += (want.empty() ? "" : " ") + ItemText(a->text()).toStdString();
        ASSERT_EQ(items.Log, want) << k.toString().toStdString();
      }
    }
  }
}

TEST_F(App, EditorChangesRepaintTheView) {
  // A row changed without the editing procedures still shows at once.
  TAFEdit& e = *Form.AFEdit1;
  const QImage before = e.Surface().copy();
  e.SetRowText(0, "changed", true);
  EXPECT_NE(e.Surface(), before);
}

// Runs what the events so far have left queued (posted events, a command
// invoked later), so a test can check that nothing else follows.
void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

// A click at a point of the window's editor, delivered as the window
// system delivers it (with the button state and the context menu).
void Click(TForm1& F, Qt::MouseButton Button, QPoint At) {
  QWidget* view = F.AFEdit1->viewport();
  QTest::mouseClick(F.windowHandle(), Button, Qt::NoModifier, view->mapTo(&F, At));
}

TEST_F(App, EnteringTheEditorRunsBinaryOpenOnce) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  EXPECT_EQ(Form.focusWidget(), nullptr);
  // A right click shows the context menu and does not enter the editor.
  Click(Form, Qt::RightButton, QPoint(100, 50));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Form.PopupMenu1->isVisible(); }, 2000));
  Form.PopupMenu1->close();
  Settle();
  EXPECT_EQ(Ui.Log, "");

  Click(Form, Qt::LeftButton, QPoint(100, 50));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Ui.Log.empty(); }, 2000));
  EXPECT_EQ(Ui.Log, "open:開く");  // cancelled: the empty document stays
  EXPECT_TRUE(Form.AFEdit1->hasFocus());
  EXPECT_EQ(Form.AFEdit1->RowCount(), 1);

  // The focus coming back with the window, or another click, is no entering.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  Form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  Click(Form, Qt::LeftButton, QPoint(120, 50));
  Settle();
  EXPECT_TRUE(Form.AFEdit1->hasFocus());
  EXPECT_EQ(Ui.Log, "open:開く");

  // A click into an inactive window's editor enters it when the window
  // becomes active.
  TForm1 second(Ui);
  second.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  Click(second, Qt::LeftButton, QPoint(100, 50));
  second.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Ui.Log.size() > std::string("open:開く").size(); }, 2000));
  EXPECT_EQ(Ui.Log, "open:開く open:開く");
}

// Runs a test in another current directory.
struct TCurrentDir {
  explicit TCurrentDir(const QString& Dir) : Old(QDir::currentPath()) { QDir::setCurrent(Dir); }
  ~TCurrentDir() { QDir::setCurrent(Old); }
  QString Old;
};

TEST_F(App, HelpWindowShowsReadme) {
  const TCurrentDir cd(Dir.path());
  {
    const TForm2 missing(Ui);
    EXPECT_EQ(missing.Memo1->toPlainText(), "Memo1");
    EXPECT_EQ(Ui.Log, "error");
    ASSERT_EQ(Ui.Errors.size(), 1u);
    EXPECT_NE(Ui.Errors[0].find(Path("Readme.txt").toStdString()), std::string::npos);
    EXPECT_NE(Ui.Errors[0].find("見つかりません"), std::string::npos);
  }
  Write("Readme.txt", "\x83\x77\x83\x8B\x83\x76\r\n\r\nline 3\r\n");  // ヘルプ
  TForm2 help(Ui);
  EXPECT_EQ(help.windowTitle(), "ヘルプ");
  EXPECT_EQ(help.Memo1->toPlainText(), "ヘルプ\n\nline 3");
  EXPECT_EQ(Ui.Log, "error");

  // Help shows it beside the main window; closing the main window closes it.
  Form.Form2 = &help;
  Form.Help1->trigger();
  EXPECT_TRUE(help.isVisible());
  EXPECT_TRUE(Form.isVisible());
  Form.close();
  EXPECT_FALSE(help.isVisible());
}

TEST_F(App, FileOnTheCommandLine) {
  const TCurrentDir cd(Dir.path());
  Form.OpenCommandLine({"Hotaru"});
  EXPECT_EQ(Form.windowTitle(), CaptionOf("Hotaru"));
  Form.OpenCommandLine({"Hotaru", "doc.txt"});
  EXPECT_EQ(Form.windowFilePath(), Path("doc.txt"));
  EXPECT_EQ(Form.AFEdit1->Text(), kDoc);

  TForm1 unreadable(Ui);
  unreadable.OpenCommandLine({"Hotaru", "missing.txt"});
  EXPECT_EQ(Ui.Log, "error");
  ASSERT_EQ(Ui.Errors.size(), 1u);
  EXPECT_NE(Ui.Errors[0].find(Path("missing.txt").toStdString()), std::string::npos);
  EXPECT_EQ(unreadable.windowTitle(), CaptionOf("Hotaru"));
  EXPECT_EQ(unreadable.AFEdit1->Text(), "");
}

TEST_F(App, AZeroByteNoticeSaysWhereReadingStopped) {
  Run("cut");
  ASSERT_EQ(Ui.Warnings.size(), 1u);
  const std::string& w = Ui.Warnings[0];
  EXPECT_NE(w.find(Path("cut.txt").toStdString()), std::string::npos) << w;
  EXPECT_NE(w.find("先頭から 4 バイト目にゼロ バイト"), std::string::npos) << w;
  EXPECT_NE(w.find("3 バイトだけ"), std::string::npos) << w;
}

// A UTF-8 file is told once, when it is opened as text, and is saved as
// its bytes with the edit.
TEST_F(App, AUtf8FileIsToldOnceAndKeptAsItsBytes) {
  const std::string utf8 = "日本語のテキスト。\r\n€ \xC2\xA0 ÿ\r\nあ";
  Write("utf8.txt", utf8);
  Ui.Answers = {"utf8.txt", "utf8.txt"};
  Run("open");
  EXPECT_EQ(Ui.Log, "open:開く warn");
  ASSERT_EQ(Ui.Warnings.size(), 1u);
  EXPECT_EQ(Ui.Warnings[0],
            "このファイルは UTF-8 で書かれているようです。"
            "Hotaru は Shift_JIS (CP932) のテキストとしてバイトのまま表示・保存します。");
  EXPECT_EQ(Form.AFEdit1->Text(), utf8);
  Edit();
  Run("save");
  EXPECT_EQ(Read("utf8.txt"), utf8 + "!");
  // Opened in the binary style it is no text, and nothing is told.
  Run("binopen");
  EXPECT_EQ(Ui.Log, "open:開く warn open:開く error");
  EXPECT_EQ(Ui.Warnings.size(), 1u);
}

TEST_F(App, ANonRegularFileIsRefusedWithoutWaiting) {
  const std::string fifo = Path("fifo").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    const TestUtil::TFifoUnblocker unblock(fifo);
    Form.OpenCommandLine({"Hotaru", Path("fifo")});
  }
  Ui.Answers = {"fifo"};
  {
    const TestUtil::TFifoUnblocker unblock(fifo);
    Run("open");
  }
  EXPECT_EQ(Ui.Log, "error open:開く error");
  for (const std::string& e : Ui.Errors) EXPECT_NE(e.find("通常のファイルではありません"), std::string::npos) << e;
  EXPECT_EQ(Form.windowTitle(), CaptionOf("Hotaru"));
}

TEST_F(App, AMenuClosedWithEscapeDoesNotEnterTheEditorAgain) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  Click(Form, Qt::LeftButton, QPoint(100, 50));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Ui.Log.empty(); }, 2000));
  EXPECT_EQ(Ui.Log, "open:開く");

  // ファイル, then Escape closes its menu and leaves the menu bar active.
  QMenuBar* bar = Form.menuBar();
  QAction* file = bar->actions().front();
  QTest::mouseClick(Form.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    bar->mapTo(&Form, bar->actionGeometry(file).center()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return file->menu()->isVisible(); }, 2000));
  QTest::keyClick(file->menu(), Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !file->menu()->isVisible(); }, 2000));
  Settle();

  Click(Form, Qt::LeftButton, QPoint(120, 50));
  Settle();
  EXPECT_TRUE(Form.AFEdit1->hasFocus());
  EXPECT_EQ(Ui.Log, "open:開く");
}

}  // namespace

// ---- edit commands: cut or copy, then paste, from the menu ----

namespace {

// Wrap column 10, tab stops every 4 columns; 日本語 indented by 2.  "abcdefghij" wraps into "kl".
const TestUtil::Rows kMenuDoc = {"abcdefghij", "kl\r", "a\tb\r", "\r", "\x93\xFA\x96\x7B\x8C\xEA\r", "p  q"};

struct TMenuRangeCase {
  const char* Name;
  TPoint From, To;        // display positions
  const char* Displayed;  // what other programs find on the clipboard
};

const TMenuRangeCase kMenuRangeCases[] = {
    {"inside a row", {1, 0}, {4, 0}, " bcd\n"},
    {"across wrapped rows", {8, 0}, {1, 1}, "        ij\nk\n"},
    {"across logical lines", {1, 1}, {1, 2}, " l\na\n"},
    {"a tab", {1, 2}, {5, 2}, "    b\n"},
    {"a tab and the line end", {1, 2}, {0, 3}, "    b\n\n"},
    {"a row holding only its CR", {0, 2}, {1, 3}, "a   b\n\n"},
    {"indented two-byte characters", {2, 4}, {6, 4}, "  日本\n"},
    {"two-byte character to the next line", {6, 4}, {2, 5}, "      語\np \n"},
    {"trailing blanks", {0, 5}, {3, 5}, "p  \n"},
    {"everything", {0, 0}, {4, 5}, "abcdefghij\nkl\na   b\n\n  日本語\np  q\n"},
};

void PrintTo(const TMenuRangeCase& c, std::ostream* os) { *os << c.Name; }

class MenuRoundTrip : public App, public ::testing::WithParamInterface<TMenuRangeCase> {
protected:
  void SetUp() override {
    App::SetUp();
    TestUtil::SetRows(e, kMenuDoc);
    TestUtil::SetLayout(e, 10);
    e.LineAttrs().GetAttr(4).Indent = 2;
    Select();
  }
  void Select() {
    e.Sel().SetAnchorPos(GetParam().From);
    e.Sel().SetActivePos(GetParam().To);
    e.SetCaretPos(GetParam().To);
  }
  void ExpectDisplayedOnClipboard() {
    QString want = QString::fromUtf8(GetParam().Displayed);
    want.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), want.toStdString());
  }
  void ExpectOriginal() {
    EXPECT_EQ(TestUtil::RowsOf(e), kMenuDoc);
    EXPECT_EQ(e.CheckInvariants(), "");
  }
  TAFEdit& e = *Form.AFEdit1;
};

TEST_P(MenuRoundTrip, CutThenPasteGivesTheTextBack) {
  Form.Cut1->trigger();
  ExpectDisplayedOnClipboard();
  EXPECT_NE(TestUtil::RowsOf(e), kMenuDoc);
  Form.Paste1->trigger();
  ExpectOriginal();
}

TEST_P(MenuRoundTrip, CopyThenPasteOverTheSelectionChangesNothing) {
  Form.PopupCopy1->trigger();
  ExpectDisplayedOnClipboard();
  Form.PopupPaste1->trigger();
  ExpectOriginal();
}

INSTANTIATE_TEST_SUITE_P(App, MenuRoundTrip, ::testing::ValuesIn(kMenuRangeCases), [](const auto& I) {
  std::string n = I.param.Name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

}  // namespace
