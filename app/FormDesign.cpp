#include "app/FormDesign.h"

#include <mutex>

// The resources live in a static library: their initializer is called
// once, so the linker keeps them.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

QIcon HotaruIcon() {
  static std::once_flag once;
  std::call_once(once, InitAppResources);
  return QIcon(QStringLiteral(":/app/hotaru.png"));
}
