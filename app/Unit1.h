// The main window: the editor control under its menus, the editor's
// context menu, and the file commands.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;
class QMenu;
class TAFEdit;
class TEditCommands;
class TFileCommands;
class TFindCommands;
class TForm2;
class TFormUi;
class TRecovery;

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
  // "ヘルプ"
  QAction* About1 = nullptr;
  // PopupMenu1: Cut, Copy and Paste of "編集".
  QAction* PopupCut1 = nullptr;
  QAction* PopupCopy1 = nullptr;
  QAction* PopupPaste1 = nullptr;

protected:
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void CreateEditor();
  void CreateMenus();
  void ShowHelp();
  void AFEdit1Enter();
  void EnterEditor();

  std::unique_ptr<TFileCommands> FCommands;
  std::unique_ptr<TEditCommands> FEdits;
  std::unique_ptr<TFindCommands> FFinds;
  std::unique_ptr<TRecovery> FRecovery;  // after FCommands: goes first
  bool FEditorIsActiveControl = false;  // the editor has the window's focus
  bool FEntering = false;               // the editor's last focus-in enters it
  bool FEntered = false;                // the first entry has run Binary open
};
