#include "app/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

#include "app/Settings.h"

void TRecentFiles::Add(const QString& Path, int Mode) {
  if (Path.isEmpty()) return;
  Remove(Path);
  FItems.prepend({Path, Mode});
  while (FItems.size() > kMax) FItems.removeLast();
}

void TRecentFiles::Remove(const QString& Path) {
  FItems.removeIf([&](const TRecentFile& F) { return F.Path == Path; });
}

void TRecentFiles::RemoveMissing() {
  FItems.removeIf([](const TRecentFile& F) { return !QFileInfo::exists(F.Path); });
}

void TRecentFiles::Load() {
  THotaruSettings s;
  FItems.clear();
  const int n = s.beginReadArray(SettingKeys::kRecentFiles);
  for (int i = 0; i < n && FItems.size() < kMax; ++i) {
    s.setArrayIndex(i);
    const QString path = s.value(QStringLiteral("path")).toString();
    const int mode = s.value(QStringLiteral("mode")).toInt();
    if (!path.isEmpty() && !std::any_of(FItems.begin(), FItems.end(), [&](const TRecentFile& F) { return F.Path == path; }))
      FItems.append({path, mode});
  }
  s.endArray();
}

void TRecentFiles::Save() const {
  THotaruSettings s;
  s.remove(SettingKeys::kRecentFiles);
  s.beginWriteArray(SettingKeys::kRecentFiles, static_cast<int>(FItems.size()));
  for (qsizetype i = 0; i < FItems.size(); ++i) {
    s.setArrayIndex(static_cast<int>(i));
    s.setValue(QStringLiteral("path"), FItems[i].Path);
    s.setValue(QStringLiteral("mode"), FItems[i].Mode);
  }
  s.endArray();
}

TRecentMenu::TRecentMenu(QMenu& Menu, std::function<void(const TRecentFile&)> Open)
    : QObject(&Menu), FMenu(Menu), FOpen(std::move(Open)) {
  FFiles.Load();
  connect(&FMenu, &QMenu::aboutToShow, this, &TRecentMenu::Rebuild);
  Rebuild();
}

void TRecentMenu::Used(const QString& Path, int Mode) {
  FFiles.Load();  // another window may have added files
  FFiles.Add(Path, Mode);
  FFiles.Save();
}

void TRecentMenu::Rebuild() {
  FMenu.clear();
  bool missing = false;
  int n = 0;
  for (const TRecentFile& f : FFiles.Items()) {
    ++n;
    QString text = QDir::toNativeSeparators(f.Path).replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (f.Mode != 0) text += QStringLiteral("（バイナリ式）");
    // 1 to 9, then 0 for the tenth.
    QAction* a = FMenu.addAction(QStringLiteral("&%1 %2").arg(n % 10).arg(text));
    const bool exists = QFileInfo::exists(f.Path);
    a->setEnabled(exists);
    if (!exists) {
      a->setToolTip(QStringLiteral("ファイルが見つかりません"));
      missing = true;
    }
    const TRecentFile file = f;
    connect(a, &QAction::triggered, this, [this, file] { FOpen(file); });
  }
  if (FFiles.Items().isEmpty()) FMenu.addAction(QStringLiteral("（なし）"))->setEnabled(false);
  FMenu.addSeparator();
  QAction* prune = FMenu.addAction(QStringLiteral("見つからないファイルを一覧から削除(&M)"));
  prune->setEnabled(missing);
  connect(prune, &QAction::triggered, this, [this] {
    FFiles.Load();
    FFiles.RemoveMissing();
    FFiles.Save();
  });
  QAction* clear = FMenu.addAction(QStringLiteral("一覧を消去(&C)"));
  clear->setEnabled(!FFiles.Items().isEmpty());
  connect(clear, &QAction::triggered, this, [this] {
    FFiles.Clear();
    FFiles.Save();
  });
}
