#include "app/EditCommands.h"

#include <QDate>

#include "AFEdit/AFEdit.h"
#include "app/FormUi.h"

void TEditCommands::Undo() { FEdit.Undo(); }

void TEditCommands::Redo() { FEdit.Redo(); }

void TEditCommands::Cut() {
  // The deletion opens its own edit group: one undo brings the text back.
  FEdit.CopySelection(true);
  FEdit.DeleteSelection();
}

void TEditCommands::Copy() { FEdit.CopySelection(true); }

void TEditCommands::Paste() { FEdit.PasteFromClipboard(); }

void TEditCommands::SelectAll() { FEdit.SelectAll(); }

void TEditCommands::PasteDate() {
  // Digits and '/' only: the same bytes in CP932 as in Latin-1.
  FEdit.InsertText(DateText(FUi.Today()).toStdString());
}

QString TEditCommands::DateText(const QDate& Day) { return Day.toString(QStringLiteral("yyyy/MM/dd")); }
