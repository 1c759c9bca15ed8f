// Entry of the end-to-end and hostile programs: one lab prefix, with the lab
// files and registry values, for all the tests of a program.
#include <gtest/gtest.h>

#include "tests/e2e/lab_files.h"
#include "tests/e2e/lab_registry.h"
#include "tests/support/wine_lab.h"

class LabEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string error;
    bool ready = LabPrefixSetUp(&error) && InstallLabFiles(&error) &&
                 InstallLabRegistry(&error);
    ASSERT_TRUE(ready) << "lab prefix not ready: " << error;
  }
  void TearDown() override { LabPrefixTearDown(); }
};

int main(int argc, char** argv) {
  SetSuiteLocale();
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new LabEnvironment);
  return RUN_ALL_TESTS();
}
