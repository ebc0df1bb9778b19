// The windows' dialogs and message boxes (and the calendar) behind one
// small interface, so the commands can be driven without a person at the
// screen.  TQtFormUi is
// the real one (QFileDialog, QMessageBox).
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

class EFileError;
class QFileDialog;
class QWidget;

// What a file dialog shows.  Filter is written as description and pattern
// pairs separated by '|': "Text (*.txt)|*.txt|All (*.*)|*.*".
struct TFileDialogSpec {
  QString Title;
  QString Filter;
  QString DefaultExt;  // added to a typed name without one; empty for none
  QString FileName;    // the name the dialog starts with (a full path: in its folder)
  QString Directory;   // the folder it starts in when FileName names none
};

enum class TAnswer { Yes, No, Cancel };

// What the user chose to do with several things that can be restored.
struct TRestoreChoice {
  enum TAction { Later, Restore, Discard };
  TAction Action = Later;  // Later: nothing is restored and nothing given up
  std::vector<int> Items;  // for Restore: the chosen items, in list order
};

class TFormUi {
public:
  virtual ~TFormUi() = default;
  // The chosen file's path, or an empty string when the dialog was
  // cancelled.
  virtual QString OpenFileName(QWidget* Owner, const TFileDialogSpec& Dialog) = 0;
  virtual QString SaveFileName(QWidget* Owner, const TFileDialogSpec& Dialog) = 0;
  // A question with the buttons Yes, No and Cancel.
  virtual TAnswer Confirm(QWidget* Owner, const QString& Text) = 0;
  // A warning question with the buttons Yes and No (No when the box is
  // closed otherwise); true for Yes.
  virtual bool AskYesNo(QWidget* Owner, const QString& Text) = 0;
  // An offer of something the user would lose otherwise, with the buttons
  // Yes (the default, and also the answer when the box is closed
  // otherwise) and No; true for Yes.
  virtual bool Offer(QWidget* Owner, const QString& Text) = 0;
  // A list of things to restore (one line each), of which the user
  // restores some or all, gives all up, or decides later.
  virtual TRestoreChoice ChooseRestore(QWidget* Owner, const QString& Text, const QStringList& Items) = 0;
  virtual void ShowError(QWidget* Owner, const QString& Text) = 0;
  // Something the user should know, with an OK button.
  virtual void ShowWarning(QWidget* Owner, const QString& Text) = 0;
  // Something the user should know that comes from work in the background:
  // shown beside the window without taking the keyboard, so typing goes on.
  virtual void ShowNotice(QWidget* Owner, const QString& Text) = 0;
  // Asks for a line number from 1 to Count, starting with Line; false when
  // the dialog was cancelled.
  virtual bool AskLineNumber(QWidget* Owner, int Count, int& Line) = 0;
  // The program's name, version and the versions it is built on, in a
  // small box with an OK button.
  virtual void ShowAbout(QWidget* Owner, const QString& Text) = 0;
  // The day Paste date writes; the system clock's unless a test fixes it.
  virtual QDate Today() const { return QDate::currentDate(); }
};

class TQtFormUi : public TFormUi {
public:
  QString OpenFileName(QWidget* Owner, const TFileDialogSpec& Dialog) override;
  QString SaveFileName(QWidget* Owner, const TFileDialogSpec& Dialog) override;
  TAnswer Confirm(QWidget* Owner, const QString& Text) override;
  bool AskYesNo(QWidget* Owner, const QString& Text) override;
  bool Offer(QWidget* Owner, const QString& Text) override;
  TRestoreChoice ChooseRestore(QWidget* Owner, const QString& Text, const QStringList& Items) override;
  void ShowError(QWidget* Owner, const QString& Text) override;
  void ShowWarning(QWidget* Owner, const QString& Text) override;
  void ShowNotice(QWidget* Owner, const QString& Text) override;
  bool AskLineNumber(QWidget* Owner, int Count, int& Line) override;
  void ShowAbout(QWidget* Owner, const QString& Text) override;
};

// Sets up a file dialog as TQtFormUi shows it: title, mode, filters, the
// starting name, and columns wide enough for sizes, types and dates.
void PrepareFileDialog(QFileDialog& Dialog, const TFileDialogSpec& Shown, bool Save);

// Qt's name filters for a '|'-separated filter.  Each entry keeps its
// description as it is shown; "*.*" matches every file, as it does on the
// systems that filter string comes from.
QStringList QtNameFilters(const QString& Filter);

// The message for a file error: the error's own text, with the system's
// reason put into Japanese for the common causes.
QString FileErrorText(const EFileError& E);
