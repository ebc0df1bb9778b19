#include "app/Unit1.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

#include "AFEdit/AFEdit.h"
#include "app/EditCommands.h"
#include "app/Caption.h"
#include "app/FileCommands.h"
#include "app/FindCommands.h"
#include "app/FormDesign.h"
#include "app/FormUi.h"
#include "app/RecentFiles.h"
#include "app/Recovery.h"
#include "app/Settings.h"
#include "app/StatusLine.h"
#include "app/Unit2.h"
#include "app/WindowPlacement.h"
#include "app/Zoom.h"

namespace {

// Insert and Delete, with any modifier, are commands of the editor's key
// table.
bool EditorKeepsKey(const QKeyEvent& Key) { return Key.key() == Qt::Key_Insert || Key.key() == Qt::Key_Delete; }

// The platform's keys for a standard command.  Save As and Quit, which a
// plain X11 session or Windows leave without keys, get the ones GNOME and
// KDE give them; Redo also has Ctrl+Y, as Japanese Windows users type it,
// help F1, and zoom the unshifted Ctrl+= beside Ctrl++.
QList<QKeySequence> MenuKeys(QKeySequence::StandardKey Key) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(Key);
  const auto also = [&keys](QKeySequence K) {
    if (!keys.contains(K)) keys << K;
  };
  if (keys.isEmpty() && Key == QKeySequence::SaveAs) keys << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
  if (keys.isEmpty() && Key == QKeySequence::Quit) keys << QKeySequence(Qt::CTRL | Qt::Key_Q);
  if (Key == QKeySequence::Redo) also(QKeySequence(Qt::CTRL | Qt::Key_Y));
  if (Key == QKeySequence::HelpContents) also(QKeySequence(Qt::Key_F1));
  if (Key == QKeySequence::ZoomIn) {
    also(QKeySequence(Qt::CTRL | Qt::Key_Plus));
    also(QKeySequence(Qt::CTRL | Qt::Key_Equal));
  }
  if (Key == QKeySequence::ZoomOut) also(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  return keys;
}

// The local files a drag carries.
QStringList LocalFiles(const QMimeData* Data) {
  QStringList files;
  if (!Data) return files;
  for (const QUrl& u : Data->urls())
    if (u.isLocalFile()) files << u.toLocalFile();
  return files;
}

}  // namespace

TForm1::TForm1(TFormUi& Ui, QWidget* Parent) : QMainWindow(Parent), FUi(Ui) {
  ShowFileCaption(*this, QString(), QStringLiteral("Hotaru"));
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

  CreateWindowParts();
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
  // Wrapping with the Japanese line-breaking rules; the menu's choices
  // are remembered.
  const THotaruSettings settings;
  TAFEditOptions options{aoAutoFormat};
  if (settings.value(SettingKeys::kBanBreak, true).toBool()) options = options + TAFEditOptions{aoJpnBanBreak};
  if (settings.value(SettingKeys::kWordWrap, false).toBool()) options = options + TAFEditOptions{aoWordWrap};
  AFEdit1->SetOptions(options);
  AFEdit1->SetRowDspFmt("%5d:");
  AFEdit1->SetTopMgn(0);
  AFEdit1->SetUndoMax(-1);
  AFEdit1->SetWrapLeadBytes(10);
  AFEdit1->SetWrapTrailBytes(4);
  // Every row text change repaints the visible rows.  The status line
  // follows the caret, the selection, the text and the insert mode.
  AFEdit1->OnChange = [this](TCustomAFEdit* Sender) {
    Sender->Paint();
    if (FStatus) FStatus->Schedule();
  };
  const auto follow = [this](TCustomAFEdit*) {
    if (FStatus) FStatus->Schedule();
  };
  AFEdit1->OnStatusChange = follow;
  AFEdit1->OnSelect = follow;
  AFEdit1->OnDisSelect = follow;
  AFEdit1->OnUndoChange = [this](TCustomAFEdit*, bool, bool) {
    if (FStatus) FStatus->Schedule();
  };
  // Ctrl with the wheel zooms.
  AFEdit1->OnMouseWheel = [this](TCustomAFEdit*, TShiftState Shift, int Delta, TPoint, bool& Handled) {
    if (!Shift.contains(ssCtrl) || Delta == 0) return;
    Zoom(Delta > 0 ? 1 : -1);
    Handled = true;
  };
  AFEdit1->OnEnter = [this](TCustomAFEdit*) { AFEdit1Enter(); };
  AFEdit1->Loaded();
  ApplyFontPoints(*AFEdit1, ValidPoints(settings.value(SettingKeys::kFontPoints, kDefaultPoints).toInt()));
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

  // Japanese-style mnemonics: the item's text, then its letter.
  QMenu* file = MainMenu1->addMenu(QStringLiteral("ファイル(&F)"));
  New1 = add(file, "新規(&N)", [&c] { c.New(); }, QKeySequence::New);
  Open1 = add(file, "開く(&O)", [&c] { c.Open(); }, QKeySequence::Open);
  Save1 = add(file, "上書き保存(&S)", [&c] { c.Save(); }, QKeySequence::Save);
  SaveAs1 = add(file, "名前を付けて保存(&A)", [&c] { c.SaveAs(); }, QKeySequence::SaveAs);
  file->addSeparator();
  Recent1 = file->addMenu(QStringLiteral("最近使ったファイル(&R)"));
  FRecent = new TRecentMenu(*Recent1, [this](const TRecentFile& F) {
    if (FCommands->QuerySave()) FCommands->OpenFile(F.Path, F.Mode);
  });
  file->addSeparator();
  Exit1 = add(file, "終了(&X)", [this] { close(); }, QKeySequence::Quit);

  QMenu* edit = MainMenu1->addMenu(QStringLiteral("編集(&E)"));
  Undo1 = add(edit, "元に戻す(&U)", [&e] { e.Undo(); }, QKeySequence::Undo);
  Redo1 = add(edit, "やり直し(&R)", [&e] { e.Redo(); }, QKeySequence::Redo);
  edit->addSeparator();
  Cut1 = add(edit, "切り取り(&T)", [&e] { e.Cut(); }, QKeySequence::Cut);
  Copy1 = add(edit, "コピー(&C)", [&e] { e.Copy(); }, QKeySequence::Copy);
  Paste1 = add(edit, "貼り付け(&P)", [&e] { e.Paste(); }, QKeySequence::Paste);
  edit->addSeparator();
  SelectAll1 = add(edit, "すべて選択(&A)", [&e] { e.SelectAll(); }, QKeySequence::SelectAll);
  PasteDate1 = add(edit, "日付の貼り付け(&D)", [&e] { e.PasteDate(); });

  FFinds->CreateMenu(*MainMenu1);

  QMenu* tools = MainMenu1->addMenu(QStringLiteral("機能(&T)"));
  BinaryOpen1 = add(tools, "バイナリ式に開く(&B)", [&c] { c.BinaryOpen(); });
  BinarySave1 = add(tools, "バイナリ式に保存(&V)", [&c] { c.BinarySave(); });
  CreateToolsItems(tools);

  CreateViewMenu();

  QMenu* help = MainMenu1->addMenu(QStringLiteral("ヘルプ(&H)"));
  Help1 = add(help, "Hotaru のヘルプ(&H)", [this] { ShowHelp(); }, QKeySequence::HelpContents);
  help->addSeparator();
  About1 = add(help, "バージョン情報(&A)", [this] { ShowAbout(); });

  PopupMenu1 = new QMenu(this);
  PopupCut1 = add(PopupMenu1, "切り取り(&T)", [&e] { e.Cut(); });
  PopupCopy1 = add(PopupMenu1, "コピー(&C)", [&e] { e.Copy(); });
  PopupPaste1 = add(PopupMenu1, "貼り付け(&P)", [&e] { e.Paste(); });
  AFEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(AFEdit1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& At) { PopupMenu1->popup(AFEdit1->viewport()->mapToGlobal(At)); });
}

void TForm1::CreateToolsItems(QMenu* Tools) {
  Tools->addSeparator();
  BanBreak1 = Tools->addAction(QStringLiteral("禁則処理(&K)"));
  BanBreak1->setCheckable(true);
  BanBreak1->setChecked(AFEdit1->Options().contains(aoJpnBanBreak));
  connect(BanBreak1, &QAction::toggled, this, [this](bool On) { SetWrapOption(aoJpnBanBreak, On); });
  WordWrap1 = Tools->addAction(QStringLiteral("英単語を分割しない(&W)"));
  WordWrap1->setCheckable(true);
  WordWrap1->setChecked(AFEdit1->Options().contains(aoWordWrap));
  connect(WordWrap1, &QAction::toggled, this, [this](bool On) { SetWrapOption(aoWordWrap, On); });
}

void TForm1::CreateViewMenu() {
  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  const auto add = [this, view](const char* Text, int Direction, QList<QKeySequence> Keys) {
    QAction* a = view->addAction(QString::fromUtf8(Text));
    a->setShortcuts(Keys);
    connect(a, &QAction::triggered, this, [this, Direction] { Zoom(Direction); });
    return a;
  };
  ZoomIn1 = add("拡大(&I)", 1, MenuKeys(QKeySequence::ZoomIn));
  ZoomOut1 = add("縮小(&O)", -1, MenuKeys(QKeySequence::ZoomOut));
  ZoomReset1 = add("標準の大きさ(&N)", 0, {QKeySequence(Qt::CTRL | Qt::Key_0)});
}

void TForm1::CreateWindowParts() {
  FStatus = new TStatusLine(*statusBar(), *AFEdit1);
  FStatus->OnEdited = [this](bool Edited) { setWindowModified(Edited); };
  FCommands->OnCurrentFile = [this] { CurrentFileChanged(); };
  setAcceptDrops(true);
  RestorePlacement(*this, *AFEdit1);
}

void TForm1::CurrentFileChanged() {
  if (!FCommands->FileName().isEmpty()) FRecent->Used(FCommands->FileName(), FCommands->FileMode());
  FStatus->Schedule();
}

void TForm1::SetWrapOption(TAFEditOption Option, bool On) {
  TAFEditOptions options = AFEdit1->Options();
  if (options.contains(Option) == On) return;
  options = On ? options + TAFEditOptions{Option} : options - TAFEditOptions{Option};
  AFEdit1->SetOptions(options);
  AFEdit1->RewrapDocument();
  THotaruSettings().setValue(Option == aoJpnBanBreak ? SettingKeys::kBanBreak : SettingKeys::kWordWrap, On);
  FStatus->Schedule();
}

void TForm1::Zoom(int Direction) {
  const int points = Direction == 0 ? kDefaultPoints : ZoomStep(FontPointsOf(*AFEdit1), Direction);
  ApplyFontPoints(*AFEdit1, points);
  THotaruSettings().setValue(SettingKeys::kFontPoints, points);
}

void TForm1::OpenDropped(const QStringList& Paths) {
  if (Paths.isEmpty() || !FCommands->QuerySave()) return;
  if (!FCommands->OpenFile(QFileInfo(Paths.front()).absoluteFilePath(), 0)) return;
  if (Paths.size() > 1)
    FUi.ShowWarning(this, QStringLiteral("%1 個のファイルがドロップされました。最初のファイル「%2」だけを開きました。")
                              .arg(Paths.size())
                              .arg(QFileInfo(Paths.front()).fileName()));
}

void TForm1::dragEnterEvent(QDragEnterEvent* Event) {
  if (!LocalFiles(Event->mimeData()).isEmpty()) Event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* Event) {
  const QStringList files = LocalFiles(Event->mimeData());
  if (files.isEmpty()) return;
  Event->acceptProposedAction();
  // The questions and boxes come once the drop has finished.
  QMetaObject::invokeMethod(this, [this, files] { OpenDropped(files); }, Qt::QueuedConnection);
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

void TForm1::ShowAbout() { FUi.ShowAbout(this, AboutText()); }

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
  SavePlacement(*this);
  if (Form2) Form2->close();
  Event->accept();
}
