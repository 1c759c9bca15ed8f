#include "platform/linux/host_context.h"

namespace {
HostContext* g_current = nullptr;
}  // namespace

HostContext& Host() {
  if (g_current == nullptr) g_current = new HostContext();
  return *g_current;
}

HostScope::HostScope(HostContext& context) : previous_(g_current) {
  g_current = &context;
}

HostScope::~HostScope() { g_current = previous_; }
