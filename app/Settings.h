// What the program remembers between runs: QSettings with organisation and
// application "hotaru" (~/.config/hotaru/hotaru.conf), and the keys used.
#pragma once

#include <QSettings>
#include <QString>

class THotaruSettings : public QSettings {
public:
  THotaruSettings()
      : QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("hotaru"),
                  QStringLiteral("hotaru")) {}
};

namespace SettingKeys {
inline const QString kGeometry = QStringLiteral("window/geometry");
inline const QString kFontPoints = QStringLiteral("view/fontPoints");
inline const QString kBanBreak = QStringLiteral("wrap/banBreak");
inline const QString kWordWrap = QStringLiteral("wrap/keepWords");
inline const QString kRecentFiles = QStringLiteral("recent/files");
inline const QString kLastFolder = QStringLiteral("dialogs/lastFolder");
}  // namespace SettingKeys

// The program's version (CMake's project version) and the Qt it was built
// with and runs on.
QString HotaruVersion();
QString AboutText();
