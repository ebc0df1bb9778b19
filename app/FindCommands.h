// The 検索 menu's commands: find, find next and previous, replace, and go to
// a line.  They run the editor's own search operations; this class only
// turns the dialog's fields into a CP932 pattern and options and tells the
// user what happened.
#pragma once

#include <QString>

#include <memory>
#include <string>

#include "AFEdit/document/Search.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TCustomAFEdit;
class TFindDialog;
class TFormUi;

class TFindCommands {
public:
  TFindCommands(QWidget& Owner, TCustomAFEdit& Edit, TFormUi& Ui);
  ~TFindCommands();

  // Adds the 検索 menu to Bar (after its last menu) with its keys.
  QMenu* CreateMenu(QMenuBar& Bar);

  void ShowFind();
  void ShowReplace();
  void FindNext();
  void FindPrev();
  void Replace();
  void ReplaceAll();
  void GoToLine();

  // The dialog, made on first use.
  TFindDialog& Dialog();
  // What the last command told the user.
  const QString& LastMessage() const noexcept { return FLastMessage; }

  QAction* Find1 = nullptr;
  QAction* FindNext1 = nullptr;
  QAction* FindPrev1 = nullptr;
  QAction* Replace1 = nullptr;
  QAction* GoToLine1 = nullptr;

private:
  void Show(bool Replace);
  // The CP932 form of a field; false, after telling the user, when it holds
  // a character CP932 has no code for.
  bool ToCp932(const QString& Field, const QString& What, std::string& Out);
  // The dialog's pattern (as typed, and in CP932) and replacement; false,
  // after saying why, when either cannot be used.
  bool ReplaceFields(QString& Text, std::string& Pattern, std::string& Replacement);
  TFindOptions Options(bool Backward) const;
  void Find(bool Backward);
  // After a search: selects nothing more, says what was found.
  void Report(const TFindResult& R, const QString& Pattern, bool Backward);
  // Shown in the dialog's status line while it is open, else as a notice.
  void Say(const QString& Text);
  void UpdateHighlight();

  QWidget& FOwner;
  TCustomAFEdit& FEdit;
  TFormUi& FUi;
  TFindDialog* FDialog = nullptr;  // owned by FOwner
  QString FLastMessage;
};
