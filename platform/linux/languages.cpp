// The user and system default languages as Wine derives them: a locale that
// is not installed counts only through LC_ALL; with installed locales glibc's
// own precedence applies: LC_ALL, then LC_MESSAGES (user) or LC_CTYPE
// (system), then LANG. A name Wine does not know gives US English.
#include "platform/linux/languages.h"

#include <locale.h>

#include <cstdlib>
#include <string>

#include "codepage/locale_names.h"

namespace {

// The effective name of a category as glibc resolves it from the
// environment: LC_ALL, then the category's own variable, then LANG.
const char* EffectiveName(const char* categoryVar) {
  const char* vars[] = {"LC_ALL", categoryVar, "LANG"};
  for (const char* var : vars) {
    const char* value = getenv(var);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "C";
}

}  // namespace

static HostLanguages ComputeDefaultLanguages() {
  const uint16_t kEnglishUs = 0x0409;
  HostLanguages langs = {kEnglishUs, kEnglishUs};
  // Every category names an installed locale: glibc's precedence applies.
  locale_t installed = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  const char* user;
  const char* system;
  if (installed != static_cast<locale_t>(0)) {
    freelocale(installed);
    user = EffectiveName("LC_MESSAGES");
    system = EffectiveName("LC_CTYPE");
  } else {
    // Not installed: only LC_ALL counts.
    const char* all = getenv("LC_ALL");
    user = system = (all != nullptr) ? all : "C";
  }
  uint16_t id = LangIdForLocaleName(user);
  if (id != 0) langs.user = id;
  id = LangIdForLocaleName(system);
  if (id != 0) langs.system = id;
  return langs;
}

// Asking the C library whether the locale is installed costs more than a
// whole version probe, so the answer is kept while the variables it depends
// on stay the same.
HostLanguages HostDefaultLanguages() {
  static const char* const kVars[] = {"LC_ALL", "LC_MESSAGES", "LC_CTYPE",
                                      "LANG"};
  static std::string seen[4];
  static bool known = false;
  static HostLanguages cached;
  bool same = known;
  for (int i = 0; i < 4; ++i) {
    const char* value = getenv(kVars[i]);
    std::string now = value ? std::string("=") + value : std::string();
    if (now != seen[i]) {
      seen[i] = now;
      same = false;
    }
  }
  if (!same) {
    cached = ComputeDefaultLanguages();
    known = true;
  }
  return cached;
}
