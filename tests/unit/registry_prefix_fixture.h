// A test fixture that points the host registry reader at a temporary Wine
// prefix and writes registry files into it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/linux/code_page.h"
#include "platform/linux/registry.h"
#include "platform/linux/wine_prefix.h"

// The header of a user.reg: the SID names HKEY_USERS' entry for the user.
const char kRegistryUserHeader[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n\n";

class RegistryPrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/registry-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("WINEPREFIX", dir_.c_str(), 1);
    HostForgetWinePrefix();
    HostForgetRegistry();
    HostSelectCodePage(1252);
  }
  void TearDown() override {
    HostForgetRegistry();
    system(("rm -rf " + dir_).c_str());
    HostSelectCodePage(1252);
  }
  // Writes `header` and `body` as the prefix's file `name`.
  void Write(const std::string& name, const std::string& body,
             const char* header = kRegistryUserHeader) {
    FILE* f = fopen((dir_ + "/" + name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs(header, f);
    fwrite(body.data(), 1, body.size(), f);
    fclose(f);
    HostForgetRegistry();
  }
  std::string dir_;
};
