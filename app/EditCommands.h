// The main window's edit commands: thin calls into the editor.  Cut and
// Copy put the displayed form of the selection on the clipboard (one line
// per display row, indents and tabs as spaces); the editor's own keys copy
// the logical text.
#pragma once

#include <QString>

class QDate;
class TCustomAFEdit;
class TFormUi;

class TEditCommands {
public:
  TEditCommands(TCustomAFEdit& Edit, const TFormUi& Ui) : FEdit(Edit), FUi(Ui) {}

  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();
  void SelectAll();
  // Inserts today's date at the caret as if it had been typed.
  void PasteDate();

  // The date as Paste date writes it: four-digit year, two-digit month and
  // day, joined by '/'.
  static QString DateText(const QDate& Day);

private:
  TCustomAFEdit& FEdit;
  const TFormUi& FUi;
};
