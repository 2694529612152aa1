#include <gtest/gtest.h>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifdef QT_WIDGETS_LIB
  // Window tests never need a display; the test list is also read at build time, where there is none.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#endif
  return RUN_ALL_TESTS();
}
