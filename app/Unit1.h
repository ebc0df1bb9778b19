// The main window: the editor control under its menus, the editor's
// context menu, and the file commands.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>

#include "AFEdit/AFEditOptions.h"

class QAction;
class QMenu;
class TAFEdit;
class TEditCommands;
class TFileCommands;
class TFindCommands;
class TForm2;
class TFormUi;
class TRecentMenu;
class TRecovery;
class TStatusLine;

class TForm1 : public QMainWindow {
  Q_OBJECT

public:
  explicit TForm1(TFormUi& Ui, QWidget* Parent = nullptr);
  ~TForm1() override;

  // Opens the file named by the program's first argument (Arguments[0] is
  // the program itself), as Open does; without one, offers to restore a
  // new document that a program that died left unsaved.
  void OpenCommandLine(const QStringList& Arguments);
  TFileCommands& Commands() noexcept { return *FCommands; }
  TEditCommands& EditCommands() noexcept { return *FEdits; }
  TFindCommands& FindCommands() noexcept { return *FFinds; }
  TRecovery& Recovery() noexcept { return *FRecovery; }
  TStatusLine& StatusLine() noexcept { return *FStatus; }
  TRecentMenu& Recent() noexcept { return *FRecent; }
  // Opens the first of Paths as Open does (asking to save first), and says
  // so when there were more.
  void OpenDropped(const QStringList& Paths);
  // The editor's font size one step up (Direction > 0), down (< 0), or back
  // to the design's (0); remembered.
  void Zoom(int Direction);

  // The help window that About shows; it closes with this window.
  TForm2* Form2 = nullptr;

  QWidget* CoolBar1 = nullptr;
  TAFEdit* AFEdit1 = nullptr;
  QMenu* PopupMenu1 = nullptr;

  // "ファイル"
  QAction* New1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* SaveAs1 = nullptr;
  QMenu* Recent1 = nullptr;  // "最近使ったファイル"
  QAction* Exit1 = nullptr;
  // "編集"
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* Cut1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* SelectAll1 = nullptr;
  QAction* PasteDate1 = nullptr;
  // "機能"
  QAction* BinaryOpen1 = nullptr;
  QAction* BinarySave1 = nullptr;
  QAction* BanBreak1 = nullptr;  // "禁則処理" (aoJpnBanBreak), checkable
  QAction* WordWrap1 = nullptr;  // "英単語を分割しない" (aoWordWrap), checkable
  // "表示"
  QAction* ZoomIn1 = nullptr;
  QAction* ZoomOut1 = nullptr;
  QAction* ZoomReset1 = nullptr;
  // "ヘルプ"
  QAction* Help1 = nullptr;
  QAction* About1 = nullptr;
  // PopupMenu1: Cut, Copy and Paste of "編集".
  QAction* PopupCut1 = nullptr;
  QAction* PopupCopy1 = nullptr;
  QAction* PopupPaste1 = nullptr;

protected:
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

private:
  void CreateEditor();
  void CreateMenus();
  void CreateToolsItems(QMenu* Tools);
  void CreateViewMenu();
  void CreateWindowParts();
  // Sets an option of the line-breaking rules, re-wraps, remembers it.
  void SetWrapOption(TAFEditOption Option, bool On);
  void CurrentFileChanged();
  void ShowHelp();
  void ShowAbout();
  void AFEdit1Enter();
  void EnterEditor();

  std::unique_ptr<TFileCommands> FCommands;
  std::unique_ptr<TEditCommands> FEdits;
  std::unique_ptr<TFindCommands> FFinds;
  std::unique_ptr<TRecovery> FRecovery;  // after FCommands: goes first
  TFormUi& FUi;
  TStatusLine* FStatus = nullptr;  // owned by the status bar
  TRecentMenu* FRecent = nullptr;  // owned by its menu
  bool FEditorIsActiveControl = false;  // the editor has the window's focus
  bool FEntering = false;               // the editor's last focus-in enters it
  bool FEntered = false;                // the first entry has run Binary open
};
