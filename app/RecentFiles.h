// ファイル > 最近使ったファイル: the last ten files opened or saved, each
// with its style (text or binary), kept in the settings.  Files that are
// gone are shown greyed, and the menu removes them from the list.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QMenu;

struct TRecentFile {
  QString Path;
  int Mode = 0;  // 0 or lmBinary
  friend bool operator==(const TRecentFile&, const TRecentFile&) = default;
};

// The list itself: newest first, each path once, at most kMax entries.
class TRecentFiles {
public:
  static constexpr int kMax = 10;
  void Add(const QString& Path, int Mode);
  void Remove(const QString& Path);
  void RemoveMissing();
  void Clear() { FItems.clear(); }
  const QList<TRecentFile>& Items() const noexcept { return FItems; }
  void Load();
  void Save() const;

private:
  QList<TRecentFile> FItems;
};

// The submenu, rebuilt each time it opens.
class TRecentMenu : public QObject {
  Q_OBJECT

public:
  // Open runs when an entry is chosen.
  TRecentMenu(QMenu& Menu, std::function<void(const TRecentFile&)> Open);
  // A file became the current file: it goes to the top of the list.
  void Used(const QString& Path, int Mode);
  void Rebuild();
  TRecentFiles& Files() noexcept { return FFiles; }

private:
  QMenu& FMenu;
  std::function<void(const TRecentFile&)> FOpen;
  TRecentFiles FFiles;
};
