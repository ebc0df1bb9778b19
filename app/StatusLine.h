// The main window's status line: the caret's logical line and column, the
// selection's size, insert or overwrite, the line end and encoding a save
// writes, and whether the document is edited.
//
// The control reports caret moves, selection and text changes many times
// per key; each only schedules one refresh at the next turn of the event
// loop, and a refresh asks the control's line index, which walks at most a
// block of rows after a change (TCustomAFEdit::RowPlace).
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>

class QLabel;
class QStatusBar;
class TCustomAFEdit;

struct TStatusInfo {
  int64_t Line = 1;      // the caret's logical line, from 1
  int64_t Column = 1;    // half-width columns (bytes) of that line before the caret, plus 1
  int64_t SelBytes = 0;  // bytes of the character selection as saved (line ends CR LF)
  int SelRows = 0;       // display rows of the row selection
  bool Insert = true;
  bool Edited = false;
};

// The fields as shown, in order: position, selection (empty without one),
// mode, line end, encoding, edited mark (empty when not edited).
QStringList StatusFields(const TStatusInfo& S);

// What the control's state shows.
TStatusInfo StatusOf(TCustomAFEdit& Edit);

class TStatusLine : public QObject {
  Q_OBJECT

public:
  TStatusLine(QStatusBar& Bar, TCustomAFEdit& Edit);

  // A refresh at the next turn of the event loop (several calls, one refresh).
  void Schedule();
  void Refresh();
  // The fields shown, joined by " | " (for the test state line).
  QString Text() const;
  // Runs on every refresh with whether the document is edited.
  std::function<void(bool Edited)> OnEdited;

private:
  TCustomAFEdit& FEdit;
  QTimer FPending;
  QList<QLabel*> FLabels;
};
