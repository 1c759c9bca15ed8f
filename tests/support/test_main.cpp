// Entry of the test programs that need no lab prefix of their own: the
// suite's locale first, then every test.
#include <gtest/gtest.h>

#include "tests/support/wine_lab.h"

int main(int argc, char** argv) {
  SetSuiteLocale();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
