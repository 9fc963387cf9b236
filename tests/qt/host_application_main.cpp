// The main of the tests that play a host with a Qt application of its own, made before the add-in
// is first used.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QApplication host(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
