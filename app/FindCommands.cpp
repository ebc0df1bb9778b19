#include "app/FindCommands.h"

#include <QAction>
#include <QCheckBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "app/FindDialog.h"
#include "app/FormUi.h"

TFindCommands::TFindCommands(QWidget& Owner, TCustomAFEdit& Edit, TFormUi& Ui)
    : FOwner(Owner), FEdit(Edit), FUi(Ui) {}

TFindCommands::~TFindCommands() = default;

QMenu* TFindCommands::CreateMenu(QMenuBar& Bar) {
  QMenu* menu = Bar.addMenu(QStringLiteral("検索(&S)"));
  const auto add = [&](const QString& Text, const QKeySequence& Key, void (TFindCommands::*Run)()) {
    QAction* a = menu->addAction(Text);
    a->setShortcut(Key);
    QObject::connect(a, &QAction::triggered, &FOwner, [this, Run] { (this->*Run)(); });
    return a;
  };
  // Ctrl+H is the menu's: the editor's Backspace key stays Backspace.
  Find1 = add(QStringLiteral("検索(&F)..."), QKeySequence(Qt::CTRL | Qt::Key_F), &TFindCommands::ShowFind);
  FindNext1 = add(QStringLiteral("次を検索(&N)"), QKeySequence(Qt::Key_F3), &TFindCommands::FindNext);
  FindPrev1 = add(QStringLiteral("前を検索(&P)"), QKeySequence(Qt::SHIFT | Qt::Key_F3), &TFindCommands::FindPrev);
  menu->addSeparator();
  Replace1 = add(QStringLiteral("置換(&R)..."), QKeySequence(Qt::CTRL | Qt::Key_H), &TFindCommands::ShowReplace);
  menu->addSeparator();
  GoToLine1 = add(QStringLiteral("指定行へ移動(&G)..."), QKeySequence(Qt::CTRL | Qt::Key_G), &TFindCommands::GoToLine);
  return menu;
}

TFindDialog& TFindCommands::Dialog() {
  if (FDialog) return *FDialog;
  FDialog = new TFindDialog(&FOwner);
  TFindDialog& d = *FDialog;
  QObject::connect(d.FindNextButton, &QPushButton::clicked, &FOwner, [this] { FindNext(); });
  QObject::connect(d.FindPrevButton, &QPushButton::clicked, &FOwner, [this] { FindPrev(); });
  QObject::connect(d.ReplaceButton, &QPushButton::clicked, &FOwner, [this] { Replace(); });
  QObject::connect(d.ReplaceAllButton, &QPushButton::clicked, &FOwner, [this] { ReplaceAll(); });
  QObject::connect(d.Pattern, &QLineEdit::textChanged, &FOwner, [this] { UpdateHighlight(); });
  for (QCheckBox* c : {d.MatchCase, d.WholeWord, d.Regex})
    QObject::connect(c, &QCheckBox::toggled, &FOwner, [this] { UpdateHighlight(); });
  // Closed: the matches are no longer highlighted.
  QObject::connect(&d, &QDialog::finished, &FOwner, [this] { FEdit.SetHighlight({}, {}); });
  return d;
}

void TFindCommands::Show(bool Replace) {
  TFindDialog& d = Dialog();
  d.SetReplaceMode(Replace);
  // A selection within a row is what the user most likely looks for.
  if (FEdit.Sel().HasCharSel() && !FEdit.SelSpansRows()) {
    const TBytePos s = FEdit.SelStartBytes(), e = FEdit.SelEndBytes();
    const std::string_view row = FEdit.Lines().View(s.Row);
    if (e.Byte > s.Byte && static_cast<size_t>(e.Byte) <= row.size())
      d.Pattern->setText(Cp932ToQString(row.substr(static_cast<size_t>(s.Byte), static_cast<size_t>(e.Byte - s.Byte))));
  }
  d.InSelection->setChecked(Replace && FEdit.SelSpansRows());
  d.SetStatus({});
  d.show();
  d.raise();
  d.activateWindow();
  d.Pattern->setFocus();
  d.Pattern->selectAll();
  UpdateHighlight();
}

void TFindCommands::ShowFind() { Show(false); }
void TFindCommands::ShowReplace() { Show(true); }

bool TFindCommands::ToCp932(const QString& Field, const QString& What, std::string& Out) {
  int bad = -1;
  if (QStringToCp932(Field, Out, &bad)) return true;
  const qsizetype n = bad + 1 < Field.size() && Field[bad].isHighSurrogate() ? 2 : 1;
  Say(QStringLiteral("%1の「%2」は Shift-JIS (CP932) で表せない文字です。").arg(What, Field.mid(bad, n)));
  return false;
}

TFindOptions TFindCommands::Options(bool Backward) const {
  TFindOptions o;
  if (FDialog) {
    o.MatchCase = FDialog->MatchCase->isChecked();
    o.WholeWord = FDialog->WholeWord->isChecked();
    o.Regex = FDialog->Regex->isChecked();
    o.WrapAround = FDialog->WrapAround->isChecked();
  } else {
    o.WrapAround = true;
  }
  o.Backward = Backward;
  return o;
}

void TFindCommands::Say(const QString& Text) {
  FLastMessage = Text;
  if (FDialog && FDialog->isVisible())
    FDialog->SetStatus(Text);
  else if (!Text.isEmpty())
    FUi.ShowNotice(&FOwner, Text);
}

void TFindCommands::Report(const TFindResult& R, const QString& Pattern, bool Backward) {
  if (!R.Error.empty())
    Say(QString::fromStdString(R.Error));
  else if (!R.Found)
    Say(QStringLiteral("\"%1\" が見つかりません。").arg(Pattern));
  else if (R.Wrapped)
    Say(Backward ? QStringLiteral("文書の末尾から検索しました。") : QStringLiteral("文書の先頭から検索しました。"));
  else
    Say({});
}

void TFindCommands::Find(bool Backward) {
  if (!FDialog || FDialog->Pattern->text().isEmpty()) {
    ShowFind();
    return;
  }
  const QString text = FDialog->Pattern->text();
  std::string pattern;
  if (!ToCp932(text, QStringLiteral("検索する文字列"), pattern)) return;
  Report(FEdit.FindNext(pattern, Options(Backward)), text, Backward);
}

void TFindCommands::FindNext() { Find(false); }
void TFindCommands::FindPrev() { Find(true); }

bool TFindCommands::ReplaceFields(QString& Text, std::string& Pattern, std::string& Replacement) {
  TFindDialog& d = Dialog();
  Text = d.Pattern->text();
  return !Text.isEmpty() && ToCp932(Text, QStringLiteral("検索する文字列"), Pattern) &&
         ToCp932(d.Replacement->text(), QStringLiteral("置換後の文字列"), Replacement);
}

void TFindCommands::Replace() {
  QString text;
  std::string pattern, replacement;
  if (!ReplaceFields(text, pattern, replacement)) return;
  Report(FEdit.ReplaceText(pattern, replacement, Options(false)), text, false);
}

void TFindCommands::ReplaceAll() {
  QString text;
  std::string pattern, replacement;
  if (!ReplaceFields(text, pattern, replacement)) return;
  const TReplaceResult r = FEdit.ReplaceAll(pattern, replacement, Options(false), Dialog().InSelection->isChecked());
  if (!r.Error.empty())
    Say(QString::fromStdString(r.Error));
  else if (r.Count == 0)
    Say(QStringLiteral("\"%1\" が見つかりません。").arg(text));
  else
    Say(QStringLiteral("%1 個所を置換しました。").arg(r.Count));
}

void TFindCommands::GoToLine() {
  const int count = FEdit.LogicalLineCount();
  int line = FEdit.LineOfRow(FEdit.Caret().Y);
  if (!FUi.AskLineNumber(&FOwner, count, line)) return;
  const int got = FEdit.GoToLine(line);
  FEdit.setFocus();
  if (got != line) {
    FLastMessage = QStringLiteral("%1 行目はありません。%2 行目へ移動しました。").arg(line).arg(got);
    FUi.ShowNotice(&FOwner, FLastMessage);
  } else {
    FLastMessage.clear();
  }
}

void TFindCommands::UpdateHighlight() {
  if (!FDialog || !FDialog->isVisible()) return;
  std::string pattern;
  if (!QStringToCp932(FDialog->Pattern->text(), pattern)) pattern.clear();
  FEdit.SetHighlight(pattern, Options(false));
}
