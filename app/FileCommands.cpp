#include "app/FileCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <new>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/TextGuess.h"
#include "AFEdit/platform/FileError.h"
#include "app/Caption.h"
#include "app/FormUi.h"
#include "app/Settings.h"

const QString TFileCommands::kFilter = QStringLiteral(
    "テキストファイル(*.txt)|*.txt|C言語ソースファイル(*.c)|*.c|HTML(*.html)|*.html|"
    "Be-Music song(*.bms)|*.bms|すべてのファイル(*.*)|*.*");
const QString TFileCommands::kModifiedQuestion = QStringLiteral("変更されています。保存しますか？");
const QString TFileCommands::kChangedOnDiskQuestion =
    QStringLiteral("ファイルは他のプログラムによって変更されています。上書きしますか？");
const QString TFileCommands::kCutFileQuestion = QStringLiteral(
    "このファイルはゼロ バイトの位置で切り詰めて読み込まれています。"
    "上書きすると、それより後ろの内容は失われます。上書きしますか？");

const QString TFileCommands::kUtf8Notice = QStringLiteral(
    "このファイルは UTF-8 で書かれているようです。"
    "Hotaru は Shift_JIS (CP932) のテキストとしてバイトのまま表示・保存します。");
const QString TFileCommands::kLayoutQuestion = QStringLiteral(
    "字下げ・色などのレイアウトはテキスト形式では保存されません。テキストだけを保存しますか？");
const QString TFileCommands::kLayoutNotice = QStringLiteral(
    "保存しませんでした。レイアウトも保存するには、機能 > バイナリ式に保存 を使ってください。");

QString TFileCommands::ZeroByteNotice(const QString& Path, int64_t Offset) {
  return QStringLiteral("ファイル「%1」は先頭から %2 バイト目にゼロ バイト (0x00) を含みます。"
                        "その前までの %3 バイトだけをテキストとして読み込みました。")
      .arg(Path)
      .arg(Offset + 1)
      .arg(Offset);
}

namespace {

std::string LocalPath(const QString& Path) { return QFile::encodeName(Path).toStdString(); }

// The document's first bytes, as many as a guess at their encoding reads.
std::string LeadingBytes(const TCustomAFEdit& Edit) {
  std::string s;
  for (int r = 0; r < Edit.RowCount() && s.size() < kTextGuessSample; ++r) s += Edit.RowText(r).view();
  return s;
}

}  // namespace

TFileCommands::TFileCommands(QWidget& Window, TCustomAFEdit& Edit, TFormUi& Ui)
    : FWindow(Window), FEdit(Edit), FUi(Ui) {}

template <class F>
bool TFileCommands::FileOperation(F&& Operation) {
  try {
    Operation();
    return true;
  } catch (const EFileError& e) {
    FUi.ShowError(&FWindow, FileErrorText(e));
  } catch (const std::bad_alloc&) {
    FUi.ShowError(&FWindow, QStringLiteral("メモリーが足りないため、操作を続けられません。"));
  }
  return false;
}

bool TFileCommands::QuerySave() {
  if (!FEdit.Edited()) return true;
  switch (FUi.Confirm(&FWindow, kModifiedQuestion)) {
    case TAnswer::Yes: return Save();
    case TAnswer::No: return true;
    case TAnswer::Cancel: break;
  }
  return false;
}

void TFileCommands::New() {
  if (!QuerySave()) return;
  FEdit.Clear();
  FFileName.clear();
  FFileMode = 0;
  FIdentity = {};
  FCutAt = -1;
  FLayoutDropAgreed = false;
  ShowFileCaption(FWindow, QString());
  if (OnSettled) OnSettled();
  if (OnCurrentFile) OnCurrentFile();
}

void TFileCommands::Open() { OpenWithDialog(0); }
void TFileCommands::BinaryOpen() { OpenWithDialog(lmBinary); }

void TFileCommands::OpenWithDialog(int Mode) {
  if (!QuerySave()) return;
  const QString path = FUi.OpenFileName(&FWindow, DialogFor(QStringLiteral("開く"), QString()));
  if (path.isEmpty()) return;
  ChoseInDialog(path);
  OpenFile(path, Mode);
}

bool TFileCommands::OpenFile(const QString& Path, int Mode) {
  if (OnOpening && OnOpening(Path)) return true;
  if (!FileOperation([&] { FEdit.LoadFromFile(LocalPath(Path), Mode); })) return false;
  FLayoutDropAgreed = false;
  SetCurrentFile(Path, Mode);
  FCutAt = FEdit.ZeroByteAt();
  if (FCutAt >= 0) FUi.ShowWarning(&FWindow, ZeroByteNotice(Path, FCutAt));
  // Nothing is converted: the user learns why the text looks garbled.
  if (Mode == 0 && LooksLikeUtf8(LeadingBytes(FEdit))) FUi.ShowWarning(&FWindow, kUtf8Notice);
  return true;
}

bool TFileCommands::Save() {
  if (!FFileName.isEmpty() && QFileInfo::exists(FFileName)) return SaveFile(FFileName, FFileMode);
  return SaveAs();
}

bool TFileCommands::SaveAs() { return SaveWithDialog(0); }
bool TFileCommands::BinarySave() { return SaveWithDialog(lmBinary); }

bool TFileCommands::SaveWithDialog(int Mode) {
  const QString path = FUi.SaveFileName(&FWindow, DialogFor(QStringLiteral("保存"), QStringLiteral("txt")));
  if (path.isEmpty()) return false;
  ChoseInDialog(path);
  return SaveFile(path, Mode);
}

bool TFileCommands::MayOverwrite(const QString& Path) {
  if (FFileName.isEmpty()) return true;
  const TFileIdentity now = IdentityOfPath(LocalPath(Path));
  // Nothing there, or another file than the current one.
  if (!now.Valid() || (Path != FFileName && !now.SameFile(FIdentity))) return true;
  // A file changed on disk: what was cut off at loading is no longer known.
  if (FIdentity.Valid() && !FIdentity.Unchanged(now)) return FUi.AskYesNo(&FWindow, kChangedOnDiskQuestion);
  if (FCutAt >= 0) return FUi.AskYesNo(&FWindow, kCutFileQuestion);
  return true;
}

TFileDialogSpec TFileCommands::DialogFor(const QString& Title, const QString& DefaultExt) const {
  const QString folder = FFileName.isEmpty() ? THotaruSettings().value(SettingKeys::kLastFolder).toString()
                                             : QFileInfo(FFileName).absolutePath();
  return {Title, kFilter, DefaultExt, FFileName, folder};
}

void TFileCommands::ChoseInDialog(const QString& Path) {
  THotaruSettings().setValue(SettingKeys::kLastFolder, QFileInfo(Path).absolutePath());
}

bool TFileCommands::MayDropLayout(int Mode) {
  if (Mode == lmBinary || FLayoutDropAgreed || !FEdit.HasLayout()) return true;
  if (!FUi.AskYesNo(&FWindow, kLayoutQuestion)) {
    FUi.ShowNotice(&FWindow, kLayoutNotice);
    return false;
  }
  FLayoutDropAgreed = true;
  return true;
}

bool TFileCommands::SaveFile(const QString& Path, int Mode) {
  if (!MayDropLayout(Mode)) return false;
  if (!MayOverwrite(Path)) return false;
  if (!FileOperation([&] { FEdit.SaveToFile(LocalPath(Path), Mode); })) return false;
  SetCurrentFile(Path, Mode);
  return true;
}

void TFileCommands::SetCurrentFile(const QString& Path, int Mode) {
  FFileName = Path;
  FFileMode = Mode;
  // The file now holds the whole document.
  FIdentity = FEdit.FileIdentity();
  FCutAt = -1;
  ShowFileCaption(FWindow, Path);
  if (OnSettled) OnSettled();
  if (OnCurrentFile) OnCurrentFile();
}

void TFileCommands::Adopt(const QString& Path, int Mode, const TFileIdentity& Identity, int64_t CutAt) {
  FFileName = Path;
  FFileMode = Mode;
  FIdentity = Identity;
  FCutAt = CutAt;
  FLayoutDropAgreed = false;
  if (!Path.isEmpty()) ShowFileCaption(FWindow, Path);
  if (OnCurrentFile) OnCurrentFile();
}
