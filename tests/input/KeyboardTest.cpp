// Key sequences typed into a shown, focused control through the window
// system's entry point, with the text X11 gives each key: caret movement,
// Shift selections, auto-repeat, deletion, the clipboard keys and the
// characters, each checked against the caret, the selection and the bytes.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QToolTip>

#include <functional>

#include "common/ViewTest.h"

using namespace TestUtil;

namespace {

// The text X11 delivers with a key: control codes for the control keys
// and for Ctrl with a letter, nothing for Shift+Tab (Backtab).
QString X11Text(int Key, Qt::KeyboardModifiers Mods) {
  switch (Key) {
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    case Qt::Key_Delete: return QStringLiteral("\x7f");
    default: break;
  }
  if (Key >= Qt::Key_A && Key <= Qt::Key_Z) {
    if (Mods & Qt::ControlModifier) return QChar(Key - Qt::Key_A + 1);
    return QChar(Mods & Qt::ShiftModifier ? Key : Key + 32);
  }
  if (Key >= Qt::Key_Space && Key <= Qt::Key_AsciiTilde) return QChar(Key);
  return {};
}

// Types a script into the focused widget of a window.  Tokens, separated by
// spaces:
//   Right, Ctrl+Left, Shift+Insert   a click, the modifier keys pressed
//                                    around it (as Qt Test does)
//   Right> Right* Right<             press, an auto-repeat (a repeated
//                                    release and press, as X11 sends it),
//                                    release; with the held modifiers
//   Shift> Ctrl<                     press or release a modifier, held
//                                    in between
//   "xyz                             each character typed as its own key
//   Blur                             the focus leaves and comes back
class TKeyboard {
public:
  explicit TKeyboard(QWindow* W) : FWindow(W) {}

  void Run(const std::string& Script) {
    for (const QString& t : QString::fromStdString(Script).split(' ', Qt::SkipEmptyParts)) Token(t);
  }

private:
  struct TMod {
    const char* Name;
    int Key;
    Qt::KeyboardModifier Mod;
  };
  static constexpr TMod kMods[] = {{"Shift", Qt::Key_Shift, Qt::ShiftModifier},
                                   {"Ctrl", Qt::Key_Control, Qt::ControlModifier},
                                   {"Alt", Qt::Key_Alt, Qt::AltModifier}};

  void Send(bool Press, int Key, bool Repeat = false) { Send(Press, Key, X11Text(Key, FHeld), Repeat); }
  void Send(bool Press, int Key, const QString& Text, bool Repeat = false) {
    QTest::simulateEvent(FWindow, Press, Key, FHeld, Text, Repeat);
  }
  void Hold(const TMod& M, bool Press) {
    FHeld.setFlag(M.Mod, Press);
    Send(Press, M.Key, QString());
  }

  void Token(QString T) {
    if (T == QLatin1String("Blur")) {
      QWidget* w = QApplication::focusWidget();
      ASSERT_NE(w, nullptr);
      w->clearFocus();
      w->setFocus();
      return;
    }
    if (T.startsWith('"')) {
      for (qsizetype i = 1; i < T.size();) {
        const QString ch = T.mid(i, T[i].isHighSurrogate() ? 2 : 1);
        const int key = ch[0].unicode() < 0x80 ? ch[0].toUpper().unicode() : 0;
        Send(true, key, ch);
        Send(false, key, ch);
        i += ch.size();
      }
      return;
    }
    const QChar act = QStringLiteral("<>*").contains(T.back()) ? T.back() : QChar();
    if (!act.isNull()) T.chop(1);
    for (const TMod& m : kMods)
      if (T == QLatin1String(m.Name)) return Hold(m, act != '<');
    const QKeyCombination c = QKeySequence::fromString(T, QKeySequence::PortableText)[0];
    int key = c.key();
    ASSERT_NE(key, Qt::Key_unknown) << T.toStdString();
    if (!act.isNull()) {
      if (act == '*') Send(false, key, true);
      Send(act != '<', key, act == '*');
      return;
    }
    // A click, the token's modifiers pressed around it.
    std::vector<const TMod*> extra;
    for (const TMod& m : kMods)
      if ((c.keyboardModifiers() & m.Mod) && !(FHeld & m.Mod)) extra.push_back(&m);
    for (const TMod* m : extra) Hold(*m, true);
    if (key == Qt::Key_Tab && (FHeld & Qt::ShiftModifier)) key = Qt::Key_Backtab;
    Send(true, key);
    Send(false, key);
    for (const TMod* m : extra) Hold(*m, false);
  }

  QWindow* FWindow;
  Qt::KeyboardModifiers FHeld;
};

const TPoint kNoSel{-1, -1};

struct TKeyCase {
  const char* Name;
  Rows Before;
  TPoint Caret;
  std::string Script;
  TPoint CaretAfter;
  Rows After = {};  // empty: unchanged
  TPoint Anchor = kNoSel, Active = kNoSel;  // kNoSel: no character selection
  TAFEditOptions Options = {};
  std::function<void(TAFEdit&)> Prepare = nullptr;
  const char* Events = nullptr;  // selection events: S select, D deselect
  int LeftCol = 0;               // the first column shown afterwards
};

// The offscreen platform cannot raise the tip shown for a refused
// character and says so; every other message counts.
QtMessageHandler gOuterHandler = nullptr;
void SkipRaiseNotice(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Text.startsWith(QLatin1String("This plugin does not support raise"))) return;
  gOuterHandler(Type, Context, Text);
}

struct Keys : View {
  void SetUp() override {
    gOuterHandler = qInstallMessageHandler(SkipRaiseNotice);
    View::SetUp();
    e.OnSelect = [this](TCustomAFEdit*) { FEvents += 'S'; };
    e.OnDisSelect = [this](TCustomAFEdit*) { FEvents += 'D'; };
  }
  void TearDown() override {
    EXPECT_EQ(e.CheckInvariants(), "");
    qInstallMessageHandler(gOuterHandler);
  }

  void Start(const Rows& R, TPoint Caret, TAFEditOptions Options = {}) {
    SetDoc(R);
    e.SetOptions(Options);
    e.SetInsertMode(true);
    e.SetAccelRate(2);
    e.SetTopRow(0);
    e.SetLeftCol(0);
    e.SetCaretPos(Caret);
    e.Sel().Reset();
    e.Sel().FAnchorPos = e.Sel().FActivePos = Caret;
    e.NotifySelChange();
    e.SetScrollBars(e.ScrollBars());  // as after loading the document
    e.Paint();
    FEvents.clear();
  }
  void Type(const std::string& Script) { TKeyboard(e.windowHandle()).Run(Script); }

  std::string FEvents;
};

std::string Show(TPoint P) { return std::to_string(P.X) + "," + std::to_string(P.Y); }

TEST_F(Keys, CommandTable) {
  const TAFEditOptions fmt{aoAutoFormat}, free{aoFreeCaret};
  const std::string aiu = Sjis("あい") + "abc", abAcd = "ab" + Sjis("あ") + "cd";
  const auto indent = [](int Row, int Indent) {
    return [=](TAFEdit& e) { e.LineAttrs().GetAttr(Row).Indent = static_cast<int16_t>(Indent); };
  };
  const auto rate = [](int Rate) { return [=](TAFEdit& e) { e.SetAccelRate(Rate); }; };
  const auto select = [](TPoint Anchor, TPoint Active) {
    return [=](TAFEdit& e) {
      e.Sel().FAnchorPos = Anchor;
      e.Sel().FActivePos = Active;
      e.NotifySelChange();
    };
  };
  // A row whose column H - 3 is the second byte of a character, H the
  // columns shown: a caret moved onto it stands one column before the one
  // that scrolls the view right.
  const int H = e.VisibleColCount();
  std::string split = H % 2 ? "a" : "";
  while (static_cast<int>(split.size()) < H + 2) split += Sjis("あ");
  // Loaded as a file, so that the view may scroll as far as the rows reach.
  const auto loadSplit = [&](TAFEdit& e) {
    e.SetText(split + "\r\n" + std::string(H, 'x'));
    e.SetCaretPos({H - 3, 1});
    TCustomAFEdit::SnapBackward = false;
  };
  const std::vector<TKeyCase> cases = {
      // Auto-repeat: one step for the key-down, AccelRate (2) for each repeat.
      {"a key-down moves one", {"abcdefgh"}, {0, 0}, "Right> Right<", {1, 0}},
      {"every repeat moves two", {"abcdefgh"}, {0, 0}, "Right> Right* Right* Right<", {5, 0}},
      {"AccelRate 1: one for each repeat", {"abcdefgh"}, {0, 0}, "Right> Right* Right* Right<", {3, 0}, {}, kNoSel,
       kNoSel, {}, rate(1)},
      {"AccelRate 9: four for each repeat", {"abcdefghijkl"}, {0, 0}, "Right> Right* Right* Right<", {9, 0}, {},
       kNoSel, kNoSel, {}, rate(9)},
      {"a repeat after the release moves one", {"abcdefgh"}, {0, 0}, "Right> Right< Right* Right<", {2, 0}},
      {"a key held while the focus left moves one", {"abcdefgh"}, {0, 0},
       "Right> Right* Right< Right> Blur Right* Right<", {5, 0}},
      {"a repeat keeps Shift selecting", {"abcdefgh"}, {0, 0}, "Shift> Right> Right* Right< Shift<", {3, 0}, {},
       {0, 0}, {3, 0}},
      {"a repeat keeps Ctrl moving by words", {"ab cd ef gh"}, {0, 0}, "Ctrl> Right> Right* Right< Ctrl<", {9, 0}},
      // End, Home.
      {"End stops before the CR", {"abc\r", "de"}, {1, 0}, "End", {3, 0}},
      {"End on the last row goes behind the last character", {"abc\r", "de"}, {0, 1}, "End", {2, 1}},
      {"End counts the indent and the tab's columns", {"a\tb"}, {0, 0}, "End", {9, 0}, {}, kNoSel, kNoSel, {},
       indent(0, 4)},
      {"Ctrl+End", {"abc\r", "de"}, {1, 0}, "Ctrl+End", {2, 1}},
      {"End below the last row does nothing", {"ab"}, {3, 1}, "End", {3, 1}, {}, {0, 0}, {2, 0}, free,
       select({0, 0}, {2, 0}), ""},
      {"Home below the last row goes to column 0", {"ab"}, {3, 1}, "Home", {0, 1}, {}, kNoSel, kNoSel, free,
       select({0, 0}, {2, 0}), "D"},
      {"Home goes to the indent", {"abc\r", "def"}, {6, 1}, "Home", {4, 1}, {}, kNoSel, kNoSel, {}, indent(1, 4)},
      {"Ctrl+Home goes to row 0's indent", {"abc\r", "def"}, {2, 1}, "Ctrl+Home", {2, 0}, {}, kNoSel, kNoSel, {},
       indent(0, 2)},
      // Words.
      {"Ctrl+Right goes to the next word", {"abc def"}, {0, 0}, "Ctrl+Right", {4, 0}},
      {"Ctrl+Left goes to the word's start, then the one before", {"abc def"}, {7, 0}, "Ctrl+Left", {4, 0}},
      {"Ctrl+Left twice", {"abc def"}, {7, 0}, "Ctrl+Left Ctrl+Left", {0, 0}},
      {"Ctrl+Right skips punctuation and spaces", {"ab, cd"}, {0, 0}, "Ctrl+Right", {4, 0}},
      {"Ctrl+Right on a two-byte character moves one character", {aiu}, {0, 0}, "Ctrl+Right", {2, 0}},
      {"Ctrl+Left onto a two-byte character stops on it", {abAcd}, {4, 0}, "Ctrl+Left", {2, 0}},
      {"Ctrl+Right at a word ending its line goes to the next row", {"abc\r", "def"}, {1, 0}, "Ctrl+Right",
       {0, 1}},
      {"Ctrl+Left on an indented first row stops at the word's start", {"abc def"}, {6, 0}, "Ctrl+Left", {2, 0},
       {}, kNoSel, kNoSel, {}, indent(0, 2)},
      {"Ctrl+Left at an indented document's start stays", {"abc"}, {2, 0}, "Ctrl+Left", {2, 0}, {}, kNoSel, kNoSel,
       {}, indent(0, 2)},
      {"Ctrl+Left at a row's start goes before the CR", {"abc\r", "def"}, {0, 1}, "Ctrl+Left", {3, 0}},
      // Shift selections.
      {"a selection grows while Shift is held", {"abcdef"}, {1, 0}, "Shift> Right Right Right Shift<", {4, 0}, {},
       {1, 0}, {4, 0}, {}, nullptr, "S"},
      {"releasing Shift restarts the selection at the caret", {"abcdef"}, {1, 0}, "Shift+Right Shift+Right",
       {3, 0}, {}, {2, 0}, {3, 0}},
      {"Shift+Down selects to the row below", {"abc\r", "def"}, {1, 0}, "Shift+Down", {1, 1}, {}, {1, 0}, {1, 1}},
      {"Shift, then Ctrl: the selection starts at the caret", {"abc def"}, {0, 0}, "End Shift> Ctrl> Left Ctrl< Shift<",
       {4, 0}, {}, {7, 0}, {4, 0}},
      {"a Shift selection deleted goes on from its start", {"abcdef"}, {1, 0}, "Shift> Right Right Delete Right Shift<",
       {2, 0}, {"adef"}, {1, 0}, {2, 0}},
      {"an arrow without Shift ends the selection", {"abcdef"}, {1, 0}, "Shift+Right Right", {3, 0}, {}, kNoSel,
       kNoSel, {}, nullptr, "SD"},
      // Up, Down.
      {"Down at the last row does nothing", {"ab\r", "cd"}, {1, 1}, "Down", {1, 1}},
      {"Right beyond the end of the last row stays", {"abc\r", "x"}, {3, 0}, "Down Right", {3, 1}},
      {"Down at the last row with the free caret", {"ab\r", "cd"}, {1, 1}, "Down", {1, 2}, {}, kNoSel, kNoSel, free},
      {"Up at row 0 does nothing", {"ab\r", "cd"}, {1, 0}, "Up", {1, 0}},
      // The view follows the caret as it was moved; snapping it onto a
      // character comes after.
      {"Page Up keeping the top row scrolls no column", {split + "\r", std::string(H, 'x')}, {H - 3, 1}, "PgUp",
       {H - 2, 0}, {}, kNoSel, kNoSel, {}, loadSplit},
      // Delete.
      {"Delete removes a two-byte character", {abAcd}, {2, 0}, "Delete", {2, 0}, {"abcd"}},
      {"Delete before the CR joins the lines", {"ab\r", "cd"}, {2, 0}, "Delete", {2, 0}, {"abcd"}},
      {"Delete at the end does nothing", {"ab"}, {2, 0}, "Delete", {2, 0}},
      {"Delete removes the selection", {"abcdef"}, {4, 0}, "Delete", {1, 0}, {"aef"}, kNoSel, kNoSel, {},
       select({1, 0}, {4, 0}), "D"},
      // Characters.
      {"a letter", {"ab"}, {1, 0}, "X", {2, 0}, {"axb"}},
      {"a shifted letter", {"ab"}, {1, 0}, "Shift+X", {2, 0}, {"aXb"}},
      {"a two-byte character", {"ab"}, {1, 0}, "\"あ", {3, 0}, {"a" + Sjis("あ") + "b"}},
      {"a character with no CP932 form is refused", {"ab"}, {1, 0}, "\"é \"😀", {1, 0}},
      {"Ctrl+A inserts nothing", {"ab"}, {1, 0}, "Ctrl+A", {1, 0}},
      {"Alt with a letter inserts nothing", {"ab"}, {1, 0}, "Alt+Q", {1, 0}},
      {"Enter", {"abc"}, {1, 0}, "Return", {0, 1}, {"a\r", "bc"}},
      {"Ctrl+Enter breaks no line", {"abc"}, {1, 0}, "Ctrl+Return", {1, 0}},
      {"Backspace", {"abc"}, {2, 0}, "Backspace", {1, 0}, {"ac"}},
      {"Ctrl+Backspace deletes nothing", {"abc"}, {2, 0}, "Ctrl+Backspace", {2, 0}},
      {"Ctrl+Backspace at the start of the text outdents", {"abc\r", "def"}, {4, 1}, "Ctrl+Backspace", {0, 1}, {},
       kNoSel, kNoSel, fmt, indent(1, 4)},
      {"Tab", {"ab"}, {1, 0}, "Tab", {4, 0}, {"a\tb"}},
      {"Shift+Tab types a tab too", {"ab"}, {1, 0}, "Shift+Tab", {4, 0}, {"a\tb"}},
      {"Tab at the start of the text indents", {"ab"}, {0, 0}, "Tab", {4, 0}, {}, kNoSel, kNoSel, fmt},
      {"Escape clears the selection", {"abcdef"}, {4, 0}, "Escape", {4, 0}, {}, kNoSel, kNoSel, {},
       select({1, 0}, {4, 0})},
      {"Insert switches to overtype", {"abc"}, {0, 0}, "Insert \"xy", {2, 0}, {"xyc"}},
      {"Insert twice inserts again", {"abc"}, {0, 0}, "Insert Insert \"x", {1, 0}, {"xabc"}},
  };
  for (const TKeyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Start(c.Before, c.Caret, c.Options);
    if (c.Prepare) {
      c.Prepare(e);
      e.Paint();
      FEvents.clear();
    }
    Type(c.Script);
    EXPECT_EQ(Show(e.Caret()), Show(c.CaretAfter));
    EXPECT_EQ(RowsOf(e), c.After.empty() ? c.Before : c.After);
    if (c.Anchor == kNoSel) {
      EXPECT_FALSE(e.Sel().HasCharSel()) << Show(e.Sel().FAnchorPos) << " " << Show(e.Sel().FActivePos);
    } else {
      EXPECT_EQ(Show(e.Sel().FAnchorPos), Show(c.Anchor));
      EXPECT_EQ(Show(e.Sel().FActivePos), Show(c.Active));
    }
    if (c.Events) {
      EXPECT_EQ(FEvents, c.Events);
    }
    EXPECT_EQ(e.LeftCol(), c.LeftCol);
    EXPECT_EQ(e.CheckInvariants(), "");
  }
}

struct TClipCase {
  const char* Name;
  Rows Before;
  TPoint Anchor, Caret;  // the selection runs from Anchor to the caret
  std::string Script;
  Rows After;
  const char* Clip;  // the clipboard's text after the keys; it held "old"
  TPoint CaretAfter;
  bool InsertMode = true;
};

TEST_F(Keys, ClipboardKeys) {
  const std::vector<TClipCase> cases = {
      {"Shift+Delete with a selection cuts it", {"abcdef"}, {1, 0}, {4, 0}, "Shift+Delete", {"aef"}, "bcd", {1, 0}},
      {"Shift+Delete cuts a selection over rows", {"ab\r", "cd"}, {1, 0}, {1, 1}, "Shift+Delete", {"ad"}, "b\r\nc",
       {1, 0}},
      {"Shift+Delete without a selection deletes one character", {"abc"}, {1, 0}, {1, 0}, "Shift+Delete", {"ac"},
       "old", {1, 0}},
      {"Ctrl+Insert copies", {"abcdef"}, {1, 0}, {3, 0}, "Ctrl+Insert", {"abcdef"}, "bc", {3, 0}},
      {"Shift+Insert pastes", {"abc"}, {1, 0}, {1, 0}, "Shift+Insert", {"aoldbc"}, "old", {4, 0}},
      {"Shift+Insert held pastes on every step", {"abc"}, {1, 0}, {1, 0}, "Shift> Insert> Insert* Insert< Shift<",
       {"aoldoldoldbc"}, "old", {10, 0}},
      {"Insert held toggles on every step", {"abc"}, {1, 0}, {1, 0}, "Insert> Insert* Insert<", {"abc"}, "old",
       {1, 0}, false},
  };
  for (const TClipCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Start(c.Before, c.Caret);
    e.Sel().FAnchorPos = c.Anchor;
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    Type(c.Script);
    EXPECT_EQ(RowsOf(e), c.After);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.Clip);
    EXPECT_EQ(Show(e.Caret()), Show(c.CaretAfter));
    EXPECT_EQ(e.InsertMode(), c.InsertMode);
  }
}

TEST_F(Keys, InsertReportsTheNewMode) {
  Start({"abc"}, {0, 0});
  std::vector<bool> seen;
  e.OnStatusChange = [&](TCustomAFEdit* Sender) { seen.push_back(Sender->InsertMode()); };
  Type("Insert");
  ASSERT_FALSE(seen.empty());
  EXPECT_FALSE(seen.back());
  Type("Insert");
  EXPECT_TRUE(seen.back());
}

TEST_F(Keys, AHeldKeyGoesUpOnce) {
  Start({"abcdefgh"}, {0, 0});
  std::vector<int> ups;
  e.OnKeyUp = [&](TCustomAFEdit*, int& Key, TShiftState) { ups.push_back(Key); };
  Type("Shift> Right> Right* Right* Right< Shift<");
  EXPECT_EQ(ups, (std::vector<int>{VK_RIGHT, VK_SHIFT}));
  EXPECT_FALSE(e.ShiftSel());
}

TEST_F(Keys, RefusedCharacterSaysWhy) {
  Start({"ab"}, {1, 0});
  Type("\"é");
  EXPECT_EQ(RowsOf(e), Rows{"ab"});
  EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("Shift-JIS")));
}

TEST_F(Keys, HomeScrollsBackToTheFirstColumnAndTheSelectionFollows) {
  e.SetDefWrapPos(250);
  Start({std::string(200, 'a')}, {0, 0});
  Type("End");
  ASSERT_GT(e.LeftCol(), 0);
  Type("Shift+Home");
  EXPECT_EQ(e.LeftCol(), 0);
  EXPECT_EQ(Show(e.Caret()), "0,0");
  EXPECT_EQ(Show(e.Sel().FAnchorPos), "200,0");
  EXPECT_EQ(Show(e.Sel().FActivePos), "0,0");
  // The view shows the selection as a full repaint of this state does.
  const QImage shown = e.Surface().copy();
  e.Paint();
  EXPECT_EQ(shown, e.Surface());
}

TEST_F(Keys, PagesAndTheViewsLastRows) {
  Rows rows(99, "r\r");
  rows.push_back("end");
  Start(rows, {0, 0});
  const int V = e.VisibleRowCount();
  ASSERT_GT(V, 4);
  struct TStep {
    std::string Script;
    int CaretRow, TopRow;
  };
  std::string downs;
  for (int i = 0; i < V - 2; ++i) downs += "Down ";
  const TStep steps[] = {
      {"PgDown", V, V},
      {"PgUp", 0, 0},
      {"PgUp", 0, 0},
      {"PgDown PgDown", 2 * V, 2 * V},
      {"Up", 2 * V - 1, 2 * V - 1},  // up from the top row scrolls one row
      {"Ctrl+Home", 0, 0},
      {downs, V - 2, 0},
      {"Down", V - 1, 1},  // down from the last whole row scrolls one row
      {"Ctrl+End", 99, 100 - V},
      {"PgDown", 99, 100 - V},
      {"Down", 99, 100 - V},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.Script);
    Type(s.Script);
    EXPECT_EQ(e.Caret().Y, s.CaretRow);
    EXPECT_EQ(e.TopRow(), s.TopRow);
  }
}

TEST(KeysInAWindow, TabAndTheArrowsStayInTheControl) {
  // The control beside a line edit, which takes the focus by Tab.
  QWidget w;
  auto* e = new TAFEdit(&w);
  auto* other = new QLineEdit(&w);
  e->setGeometry(0, 0, 300, 200);
  other->setGeometry(310, 0, 150, 30);
  w.resize(500, 200);
  w.show();
  e->Loaded();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  e->SetOptions({});  // Tab types tab bytes
  e->setFocus();
  TKeyboard(w.windowHandle()).Run("Tab Shift+Tab Left Right Up Down Return");
  EXPECT_TRUE(e->hasFocus());
  EXPECT_EQ(RowsOf(*e), (Rows{"\t\t\r", ""}));
}

}  // namespace
