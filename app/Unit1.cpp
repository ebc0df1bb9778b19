#include "app/Unit1.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <functional>

#include "AFEdit/AFEdit.h"
#include "app/EditCommands.h"
#include "app/FileCommands.h"
#include "app/FindCommands.h"
#include "app/FormDesign.h"
#include "app/Recovery.h"
#include "app/Unit2.h"

namespace {

// Insert and Delete, with any modifier, are commands of the editor's key
// table.
bool EditorKeepsKey(const QKeyEvent& Key) { return Key.key() == Qt::Key_Insert || Key.key() == Qt::Key_Delete; }

// The platform's keys for a standard command.  Save As and Quit, which a
// plain X11 session or Windows leave without keys, get the ones GNOME and
// KDE give them.
QList<QKeySequence> MenuKeys(QKeySequence::StandardKey Key) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(Key);
  if (keys.isEmpty() && Key == QKeySequence::SaveAs) keys << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
  if (keys.isEmpty() && Key == QKeySequence::Quit) keys << QKeySequence(Qt::CTRL | Qt::Key_Q);
  return keys;
}

}  // namespace

TForm1::TForm1(TFormUi& Ui, QWidget* Parent) : QMainWindow(Parent) {
  setWindowTitle(QStringLiteral("Hotaru"));
  setFont(FormFont());
  // Background clBtnFace.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(true);

  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  // An empty tool bar strip, one pixel high, across the top.
  CoolBar1 = new QWidget(client);
  CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
  CoolBar1->setFixedHeight(1);
  layout->addWidget(CoolBar1);
  AFEdit1 = new TAFEdit(client);
  AFEdit1->setObjectName(QStringLiteral("AFEdit1"));
  layout->addWidget(AFEdit1, 1);
  setCentralWidget(client);

  FCommands = std::make_unique<TFileCommands>(*this, *AFEdit1, Ui);
  FEdits = std::make_unique<TEditCommands>(*AFEdit1, Ui);
  FFinds = std::make_unique<TFindCommands>(*this, *AFEdit1, Ui);
  CreateEditor();
  CreateMenus();
  FRecovery = std::make_unique<TRecovery>(*this, *AFEdit1, *FCommands, Ui);
  // Copies restored together each get a window of their own.
  FRecovery->OnNewWindow = [&Ui]() -> TRecovery* {
    auto* w = new TForm1(Ui);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    return &w->Recovery();
  };

  // Left 213, top 144, 642 × 347 with the frame: the editor gets 634 × 300
  // under the menu bar and the strip.
  move(213, 144);
  resize(ClientWidthOf(642), menuBar()->sizeHint().height() + 1 + 300);
}

TForm1::~TForm1() = default;

void TForm1::CreateEditor() {
  // The editor's design values, applied as a form applies stored values.
  AFEdit1->BeginFormLoad();
  TFont font;
  font.Name = QStringLiteral("ＭＳ ゴシック");
  font.Height = -12;
  font.Color = clWindowText;
  AFEdit1->SetFont(font);
  AFEdit1->SetColor(clWindow);
  AFEdit1->SetViewOpt(TViewOptions::FromBits((1u << (voFoldMark + 1)) - 1));  // all eleven
  AFEdit1->SetAccelRate(2);
  AFEdit1->SetColCr(clMaroon);
  AFEdit1->SetColLeftMgn(clWindow);
  AFEdit1->SetDefWrapPos(60);
  AFEdit1->SetKeywordStyle({});
  AFEdit1->SetLeftMgn(36);
  AFEdit1->SetOptions({aoAutoFormat});
  AFEdit1->SetRowDspFmt("%5d:");
  AFEdit1->SetTopMgn(0);
  AFEdit1->SetUndoMax(-1);
  AFEdit1->SetWrapLeadBytes(10);
  AFEdit1->SetWrapTrailBytes(4);
  // Every row text change repaints the visible rows.
  AFEdit1->OnChange = [](TCustomAFEdit* Sender) { Sender->Paint(); };
  AFEdit1->OnEnter = [this](TCustomAFEdit*) { AFEdit1Enter(); };
  AFEdit1->Loaded();
  // Not a tab stop: the window starts with no focused control, and the
  // first click into the editor enters it.
  AFEdit1->setFocusPolicy(Qt::ClickFocus);
  AFEdit1->installEventFilter(this);
  AFEdit1->viewport()->installEventFilter(this);
}

void TForm1::CreateMenus() {
  // An item runs its command; the main menu's common items have the
  // desktop's usual keys, which Qt shows beside them.
  const auto add = [this](QMenu* Menu, const char* Text, std::function<void()> Run,
                          QKeySequence::StandardKey Key = QKeySequence::UnknownKey) {
    QAction* a = Menu->addAction(QString::fromUtf8(Text));
    if (Key != QKeySequence::UnknownKey) a->setShortcuts(MenuKeys(Key));
    connect(a, &QAction::triggered, this, std::move(Run));
    return a;
  };
  TFileCommands& c = *FCommands;
  TEditCommands& e = *FEdits;
  QMenuBar* MainMenu1 = menuBar();

  QMenu* file = MainMenu1->addMenu(QStringLiteral("ファイル"));
  New1 = add(file, "新規", [&c] { c.New(); }, QKeySequence::New);
  Open1 = add(file, "開く", [&c] { c.Open(); }, QKeySequence::Open);
  Save1 = add(file, "上書き保存", [&c] { c.Save(); }, QKeySequence::Save);
  SaveAs1 = add(file, "名前を付けて保存", [&c] { c.SaveAs(); }, QKeySequence::SaveAs);
  file->addSeparator();
  Exit1 = add(file, "終了", [this] { close(); }, QKeySequence::Quit);

  QMenu* edit = MainMenu1->addMenu(QStringLiteral("編集"));
  Undo1 = add(edit, "元に戻す", [&e] { e.Undo(); }, QKeySequence::Undo);
  Redo1 = add(edit, "やり直し", [&e] { e.Redo(); }, QKeySequence::Redo);
  edit->addSeparator();
  Cut1 = add(edit, "切り取り", [&e] { e.Cut(); }, QKeySequence::Cut);
  Copy1 = add(edit, "コピー", [&e] { e.Copy(); }, QKeySequence::Copy);
  Paste1 = add(edit, "貼り付け", [&e] { e.Paste(); }, QKeySequence::Paste);
  edit->addSeparator();
  SelectAll1 = add(edit, "すべて選択", [&e] { e.SelectAll(); }, QKeySequence::SelectAll);
  PasteDate1 = add(edit, "日付の貼り付け", [&e] { e.PasteDate(); });

  FFinds->CreateMenu(*MainMenu1);

  QMenu* tools = MainMenu1->addMenu(QStringLiteral("機能"));
  BinaryOpen1 = add(tools, "バイナリ式に開く", [&c] { c.BinaryOpen(); });
  BinarySave1 = add(tools, "バイナリ式に保存", [&c] { c.BinarySave(); });

  QMenu* help = MainMenu1->addMenu(QStringLiteral("ヘルプ"));
  About1 = add(help, "バージョン情報", [this] { ShowHelp(); });

  PopupMenu1 = new QMenu(this);
  PopupCut1 = add(PopupMenu1, "切り取り", [&e] { e.Cut(); });
  PopupCopy1 = add(PopupMenu1, "コピー", [&e] { e.Copy(); });
  PopupPaste1 = add(PopupMenu1, "貼り付け", [&e] { e.Paste(); });
  AFEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(AFEdit1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& At) { PopupMenu1->popup(AFEdit1->viewport()->mapToGlobal(At)); });
}

void TForm1::OpenCommandLine(const QStringList& Arguments) {
  if (Arguments.size() < 2 || Arguments[1].isEmpty()) {
    FRecovery->OfferNew();
    return;
  }
  FCommands->OpenFile(QFileInfo(Arguments[1]).absoluteFilePath(), 0);
}

void TForm1::ShowHelp() {
  if (!Form2) return;
  Form2->show();
  Form2->raise();
  Form2->activateWindow();
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == AFEdit1 && Event->type() == QEvent::ShortcutOverride) {
    // Keys of the editor's own table stay the editor's, also where a menu
    // item has them as a second key: Shift+Delete, Ctrl+Insert and
    // Shift+Insert cut, copy and paste the logical text.
    if (EditorKeepsKey(*static_cast<QKeyEvent*>(Event))) Event->accept();
    return false;
  }
  // Whether the editor is the window's focused control: it stays so while
  // the window is inactive or a menu is open.  A right click (and the focus
  // coming back from its menu) gives the editor the keyboard but does not
  // make it the window's control; the next left click does.
  if (Watched == AFEdit1 && Event->type() == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(Event)->reason();
    const bool rightClick = reason == Qt::MouseFocusReason && QGuiApplication::mouseButtons() == Qt::RightButton;
    FEntering = !FEditorIsActiveControl && !rightClick && reason != Qt::PopupFocusReason;
    if (FEntering) FEditorIsActiveControl = true;
  } else if (Watched == AFEdit1 && Event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(Event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) FEditorIsActiveControl = false;
  } else if (Watched == AFEdit1->viewport() && Event->type() == QEvent::MouseButtonPress) {
    if (static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton && !FEditorIsActiveControl &&
        AFEdit1->hasFocus()) {
      FEditorIsActiveControl = true;
      EnterEditor();
    }
  }
  return QMainWindow::eventFilter(Watched, Event);
}

void TForm1::AFEdit1Enter() {
  // Entering is the editor becoming the window's focused control (at
  // first, from no control at all); the focus coming back with the window,
  // after a dialog or from another program, is not.
  if (!FEntering) return;
  FEntering = false;
  EnterEditor();
}

void TForm1::EnterEditor() {
  // Only the first entry opens the dialog.  The focus may leave the editor
  // later without anything else taking it (a menu closed with Escape leaves
  // it with the menu bar), and coming back then is no reason to open a file.
  if (FEntered) return;
  FEntered = true;
  // The dialog opens once the click that moved the focus has been handled.
  QMetaObject::invokeMethod(this, [this] { FCommands->BinaryOpen(); }, Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent* Event) {
  if (!FCommands->QuerySave()) {
    Event->ignore();
    return;
  }
  FRecovery->Discard();  // saved, or given up
  if (Form2) Form2->close();
  Event->accept();
}
