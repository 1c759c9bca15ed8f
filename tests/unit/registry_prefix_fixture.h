// A test fixture that points the host registry reader at a temporary Wine
// prefix and writes registry files into it; each write starts a fresh host
// context, which reads the files again.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/linux/host_context.h"
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
    Fresh();
  }
  void TearDown() override { RemoveTree(dir_); }
  // A fresh context over the prefix, in the code page chosen so far.
  void Fresh() {
    uint32_t page = context_ ? context_->pages.selected : 1252;
    scope_.reset();
    context_.reset(new HostContext());
    scope_.reset(new HostScope(*context_));
    HostUseWinePrefix(dir_);
    HostSelectCodePage(page);
  }
  // Writes `header` and `body` as the prefix's file `name`.
  void Write(const std::string& name, const std::string& body,
             const char* header = kRegistryUserHeader) {
    ASSERT_TRUE(WriteBytes(dir_ + "/" + name, header + body));
    Fresh();
  }
  std::string dir_;
  std::unique_ptr<HostContext> context_;
  std::unique_ptr<HostScope> scope_;
};
