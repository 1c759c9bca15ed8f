// Everything one run of the host learns about its prefix and its files: the
// prefix's place, the locale and code pages, the registry, the directory
// listings, the version resources, the run's profile documents, the trace,
// and the file calls the rest goes through. The seam's functions use the
// current context, as the Windows program uses its process; the host's main
// makes one for the run, and a test makes a fresh one for each case.
#pragma once

#include "platform/linux/code_page.h"
#include "platform/linux/dos_path.h"
#include "platform/linux/locale.h"
#include "platform/linux/profile.h"
#include "platform/linux/registry.h"
#include "platform/linux/trace.h"
#include "platform/linux/version.h"
#include "platform/linux/whole_file.h"
#include "platform/linux/wine_prefix.h"

struct HostContext {
  HostFileCalls files;       // the system's file calls, replaceable by a test
  HostPrefixState prefix;    // where the prefix is
  HostLocaleState locale;    // the locale as Wine chooses it
  HostCodePageState pages;   // the ANSI and Unix code pages
  HostRegistryState registry;
  HostPathState paths;       // directory listings and drives
  HostVersionState version;  // the version resource of the last file asked
  ProfileSession profiles;   // the run's documents
  HostTraceState trace;
};

// The current context. With none made current, the first call makes one
// that lasts to the process's end.
HostContext& Host();

// Makes `context` current until the scope ends, then the one before again.
class HostScope {
 public:
  explicit HostScope(HostContext& context);
  ~HostScope();
  HostScope(const HostScope&) = delete;
  HostScope& operator=(const HostScope&) = delete;

 private:
  HostContext* previous_;
};
