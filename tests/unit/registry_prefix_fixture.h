// A test fixture that points the host registry reader at a temporary Wine
// prefix and writes registry files into it.
#pragma once

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/linux/code_page.h"
#include "platform/linux/registry.h"
#include "platform/linux/wine_prefix.h"
#include "tests/support/files.h"

// The header of a user.reg: the SID names HKEY_USERS' entry for the user.
const char kRegistryUserHeader[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n\n";

class RegistryPrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("registry-test");
    ASSERT_FALSE(dir_.empty());
    setenv("WINEPREFIX", dir_.c_str(), 1);
    HostForgetWinePrefix();
    HostForgetRegistry();
    HostSelectCodePage(1252);
  }
  void TearDown() override {
    HostForgetRegistry();
    RemoveTree(dir_);
    HostSelectCodePage(1252);
  }
  // Writes `header` and `body` as the prefix's file `name`.
  void Write(const std::string& name, const std::string& body,
             const char* header = kRegistryUserHeader) {
    ASSERT_TRUE(WriteBytes(dir_ + "/" + name, header + body));
    HostForgetRegistry();
  }
  std::string dir_;
};
