// Entry of the bad-input program: the lab prefix of the end-to-end tests
// with the hostile values and files added.
#include <gtest/gtest.h>

#include "tests/e2e/lab_files.h"
#include "tests/e2e/lab_prefix.h"
#include "tests/e2e/lab_registry.h"
#include "tests/hostile/hostile_lab.h"

class HostileEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string error;
    bool ready = LabPrefixSetUp(&error) && InstallLabFiles(&error) &&
                 InstallLabRegistry(&error) && InstallHostileLab(&error);
    ASSERT_TRUE(ready) << "hostile lab not ready: " << error;
  }
  void TearDown() override { LabPrefixTearDown(); }
};

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new HostileEnvironment);
  return RUN_ALL_TESTS();
}
