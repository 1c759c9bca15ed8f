// A test fixture that points the host registry reader at a temporary Wine
// prefix and writes registry files into it; each write starts a fresh host
// context, which reads the files again.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/linux/host_context.h"
#include "platform/platform.h"
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

// What the probe's registry calls give: the key opened, then the value
// asked with 519 bytes offered in a buffer of 520 filled with 0xAA (query
// -1 when the key did not open).
struct RegAnswer {
  long open = 0;
  long query = -1;
  uint32_t type = 0;
  uint32_t size = 519;
  unsigned char data[520];
};

inline RegAnswer AskRegistry(PlatformKey root, const char* key,
                             const char* name) {
  RegAnswer a;
  memset(a.data, 0xAA, sizeof a.data);
  PlatformKey k = 0;
  a.open = PlatformRegOpenKey(root, key, &k);
  if (a.open != 0) return a;
  a.query = PlatformRegQueryValue(k, name, &a.type, a.data, &a.size);
  PlatformRegCloseKey(k);
  return a;
}
