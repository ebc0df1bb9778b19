// Shared test entry point: one offscreen QApplication per test binary, and a
// message handler that turns unexpected Qt warnings into test failures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestUtil.h"

namespace {
QtMessageHandler gPrevious = nullptr;

void FailOnWarning(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
    if (!TestUtil::QtWarningsAllowed()) ADD_FAILURE() << "Qt warning: " << msg.toStdString();
  }
  if (gPrevious) gPrevious(type, ctx, msg);
}

// Qt wants a private runtime directory; when the environment names none, a
// fresh one (mode 0700) is made for the run and removed after it.
class TRuntimeDir {
public:
  TRuntimeDir() {
    if (!qgetenv("XDG_RUNTIME_DIR").isEmpty()) return;
    std::string dir = (std::filesystem::temp_directory_path() / "hotaru-test-XXXXXX").string();
    if (::mkdtemp(dir.data())) {
      FDir = dir;
      qputenv("XDG_RUNTIME_DIR", FDir.c_str());
    }
  }
  ~TRuntimeDir() {
    if (FDir.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(FDir, ec);
  }
  TRuntimeDir(const TRuntimeDir&) = delete;
  TRuntimeDir& operator=(const TRuntimeDir&) = delete;

private:
  std::string FDir;
};
}  // namespace

bool& TestUtil::QtWarningsAllowedFlag() {
  static bool allowed = false;
  return allowed;
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the cases (as CTest does to find them) needs no application.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  const TRuntimeDir runtimeDir;
  QApplication app(argc, argv);
  gPrevious = qInstallMessageHandler(FailOnWarning);
  return RUN_ALL_TESTS();
}
