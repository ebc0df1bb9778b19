// Shared test entry point: one offscreen QApplication per test binary, and a
// message handler that turns unexpected Qt warnings into test failures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

#include "TestUtil.h"

namespace {
QtMessageHandler gPrevious = nullptr;

void FailOnWarning(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
    if (!TestUtil::QtWarningsAllowed()) ADD_FAILURE() << "Qt warning: " << msg.toStdString();
  }
  if (gPrevious) gPrevious(type, ctx, msg);
}
}  // namespace

bool& TestUtil::QtWarningsAllowedFlag() {
  static bool allowed = false;
  return allowed;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  gPrevious = qInstallMessageHandler(FailOnWarning);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
