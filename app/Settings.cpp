#include "app/Settings.h"

#include <QtGlobal>

#ifndef HOTARU_VERSION
#error "HOTARU_VERSION comes from the project's version (app/CMakeLists.txt)"
#endif

QString HotaruVersion() { return QStringLiteral(HOTARU_VERSION); }

QString AboutText() {
  QString qt = QStringLiteral(QT_VERSION_STR);
  if (qt != QLatin1String(qVersion())) qt += QStringLiteral("（実行時 %1）").arg(QLatin1String(qVersion()));
  return QStringLiteral("HotaruLE バージョン %1\nQt %2\n\nShift-JIS (CP932) のテキストをそのまま編集するエディターです。")
      .arg(HotaruVersion(), qt);
}
