// The app tests' stand-in for the dialogs and message boxes, and the
// folder their recovery copies go to.
#pragma once

#include <QRegularExpression>
#include <QTemporaryDir>

#include <deque>
#include <string>
#include <vector>

#include "app/FileCommands.h"
#include "app/FormUi.h"
#include "app/Recovery.h"
#include "app/Settings.h"

// Answers the windows' questions from a queue and logs them: "ask" for the
// save question, "changed" and "cut" for the questions before overwriting,
// "layout" before a text save drops layout,
// "open:<title>" and "save:<title>:<ext>" for the file dialogs, "restore"
// for the offer of a recovery copy, "error" and "warn" for message boxes.
// A file name answer is relative to Dir; an empty one cancels the dialog.
struct TFakeUi : TFormUi {
  explicit TFakeUi(const QTemporaryDir& D) : Dir(D) {}
  QString OpenFileName(QWidget*, const TFileDialogSpec& D) override {
    LastDialog = D;
    return FileAnswer("open:" + D.Title);
  }
  QString SaveFileName(QWidget*, const TFileDialogSpec& D) override {
    LastDialog = D;
    return FileAnswer("save:" + D.Title + ":" + D.DefaultExt);
  }
  TAnswer Confirm(QWidget*, const QString& Text) override {
    const std::string a = Next(Text == TFileCommands::kModifiedQuestion ? QStringLiteral("ask") : Text);
    return a == "yes" ? TAnswer::Yes : a == "no" ? TAnswer::No : TAnswer::Cancel;
  }
  bool AskYesNo(QWidget*, const QString& Text) override {
    return Next(Text == TFileCommands::kChangedOnDiskQuestion ? QStringLiteral("changed")
                : Text == TFileCommands::kCutFileQuestion     ? QStringLiteral("cut")
                : Text == TFileCommands::kLayoutQuestion      ? QStringLiteral("layout")
                                                              : Text) == "yes";
  }
  bool Offer(QWidget*, const QString& Text) override {
    return Next(Text == TRecovery::kRestoreQuestion ? QStringLiteral("restore") : Text) == "yes";
  }
  // Logs "choose:<count>"; the answer is "all", "discard", "later" or the
  // chosen items' indexes joined by '+'.
  TRestoreChoice ChooseRestore(QWidget*, const QString& Text, const QStringList& Items) override {
    ChooseTexts.push_back(Text.toStdString());
    ChooseItems.push_back(Items);
    const std::string a = Next(QStringLiteral("choose:%1").arg(Items.size()));
    TRestoreChoice c;
    if (a == "discard") c.Action = TRestoreChoice::Discard;
    if (a == "all" || (!a.empty() && a[0] >= '0' && a[0] <= '9')) c.Action = TRestoreChoice::Restore;
    for (int i = 0; i < Items.size() && a == "all"; ++i) c.Items.push_back(i);
    if (c.Action == TRestoreChoice::Restore && a != "all")
      for (const QString& n : QString::fromStdString(a).split(QLatin1Char('+'))) c.Items.push_back(n.toInt());
    return c;
  }
  void ShowError(QWidget*, const QString& Text) override {
    Log += (Log.empty() ? "" : " ") + std::string("error");
    Errors.push_back(Text.toStdString());
  }
  void ShowWarning(QWidget*, const QString& Text) override {
    Log += (Log.empty() ? "" : " ") + std::string("warn");
    Warnings.push_back(Text.toStdString());
  }
  void ShowNotice(QWidget*, const QString& Text) override {
    Log += (Log.empty() ? "" : " ") + std::string("notice");
    Notices.push_back(Text.toStdString());
  }
  // "line" asks for a line number; the answer is the number, or "cancel".
  bool AskLineNumber(QWidget*, int, int& Line) override {
    const std::string a = Next(QStringLiteral("line"));
    if (a == "cancel") return false;
    Line = std::stoi(a);
    return true;
  }
  void ShowAbout(QWidget*, const QString& Text) override {
    Log += (Log.empty() ? "" : " ") + std::string("about");
    About = Text.toStdString();
  }
  QDate Today() const override { return Day; }

  // Logs the question and takes its answer ("cancel" when none is left).
  std::string Next(const QString& Question) {
    Log += (Log.empty() ? "" : " ") + Question.toStdString();
    if (Answers.empty()) return "cancel";
    std::string a = Answers.front();
    Answers.pop_front();
    return a;
  }
  QString FileAnswer(const QString& Question) {
    const std::string a = Next(Question);
    return a.empty() || a == "cancel" ? QString() : Dir.filePath(QString::fromStdString(a));
  }

  const QTemporaryDir& Dir;
  TFileDialogSpec LastDialog;  // what the last file dialog was given
  std::deque<std::string> Answers;
  std::string Log;
  std::vector<std::string> Errors;
  std::vector<std::string> Warnings;
  std::vector<std::string> Notices;
  std::vector<std::string> ChooseTexts;
  std::vector<QStringList> ChooseItems;
  std::string About;
  QDate Day{2024, 3, 5};
};

// Points the recovery copies at a folder of the test's own while it lives.
struct TStateHome {
  TStateHome() { qputenv("XDG_STATE_HOME", Dir.path().toUtf8()); }
  std::string Folder() const { return Dir.filePath(QStringLiteral("hotaru/recovery")).toStdString(); }
  QTemporaryDir Dir;
};


// The main window's caption for a file name of the table (a name with a
// dot) or, without a file, the caption itself; "[*]" is Qt's place of the
// edited mark.
inline QString CaptionOf(const char* NameOrCaption) {
  const QString c = QString::fromUtf8(NameOrCaption);
  return c.contains(QLatin1Char('.')) ? "[*]" + c + QStringLiteral(" – HotaruLE") : "[*]" + c;
}

// A menu item's text without its mnemonic: "コピー(&C)" is "コピー".
inline QString ItemText(const QString& Text) {
  QString t = Text;
  static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)$"));
  return t.remove(mnemonic);
}

// Points the settings at a folder of the test's own while it lives, so
// tests never read or write the user's and start from none.
struct TSettingsHome {
  TSettingsHome() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path());
    THotaruSettings().clear();
  }
  QTemporaryDir Dir;
};

// The offscreen platform has no window frames to size or raise and says so
// (a main window's frame follows its contents); every other message counts.
class TFrameNoticesSkipped {
public:
  TFrameNoticesSkipped() { Outer() = qInstallMessageHandler(Skip); }
  ~TFrameNoticesSkipped() { qInstallMessageHandler(Outer()); }
  TFrameNoticesSkipped(const TFrameNoticesSkipped&) = delete;
  TFrameNoticesSkipped& operator=(const TFrameNoticesSkipped&) = delete;

private:
  static QtMessageHandler& Outer() {
    static QtMessageHandler handler = nullptr;
    return handler;
  }
  static void Skip(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
    if (Text.startsWith(QLatin1String("This plugin does not support"))) return;
    Outer()(Type, Context, Text);
  }
};
