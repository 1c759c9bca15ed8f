// Wine asks the C library for the locale: setlocale(LC_CTYPE, "") and the
// charset for Unix file names first, then setlocale(LC_ALL, "") and the
// names of LC_CTYPE (the system locale) and LC_MESSAGES (the user locale).
// A locale the C library does not have leaves its category at "C", and a
// "C" name stands for the raw $LC_ALL. The names are looked up in Wine's
// locale.nls. We make the same calls, then put the C locale back: the rest
// of the program never depends on the C library's locale.
#include "platform/linux/locale.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codepage/nls_code_page.h"
#include "codepage/nls_locale.h"
#include "codepage/unix_locale_name.h"
#include "platform/linux/whole_file.h"
#include "platform/linux/wine_prefix.h"

namespace {

const char kWineDataDir[] = "/usr/share/wine/nls/";
const uint64_t kMaxNlsBytes = 16u << 20;
const uint32_t kEnglishUs = 0x0409;

std::string CopyOf(const char* text) { return text ? text : ""; }

std::string NlsPath(const char* name, bool inPrefix) {
  if (!inPrefix) return std::string(kWineDataDir) + name;
  const std::string& prefix = HostWinePrefix();
  if (prefix.empty()) return std::string();
  return prefix + "/drive_c/windows/system32/" + name;
}

struct MappedFile {
  ByteSpan bytes;
  ~MappedFile() {
    if (bytes.data != nullptr)
      munmap(const_cast<unsigned char*>(bytes.data), bytes.size);
  }
};

bool MapNlsFile(const char* name, MappedFile* file) {
  for (bool inPrefix : {false, true}) {
    std::string path = NlsPath(name, inPrefix);
    int fd = path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    void* at = MAP_FAILED;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<uint64_t>(st.st_size) <= kMaxNlsBytes)
      at = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ,
                MAP_PRIVATE, fd, 0);
    close(fd);
    if (at != MAP_FAILED) {
      file->bytes = ByteSpan(at, static_cast<size_t>(st.st_size));
      return true;
    }
  }
  return false;
}

HostLocaleChoice Choose() {
  setlocale(LC_CTYPE, "");
  std::string charset = CopyOf(nl_langinfo(CODESET));
  setlocale(LC_ALL, "");
  std::string system = CopyOf(setlocale(LC_CTYPE, nullptr));
  std::string user = CopyOf(setlocale(LC_MESSAGES, nullptr));
  setlocale(LC_ALL, "C");

  HostLocaleChoice choice = {0, 0, 1252, kCodePageUtf8};
  uint32_t unixPage = UnixCharsetCodePage(charset.c_str());
  if (unixPage != 0) choice.unixCodePage = unixPage;

  const char* lcAll = getenv("LC_ALL");
  char systemName[kLocaleNameCapacity];
  char userName[kLocaleNameCapacity];
  if (!UnixToWindowsLocaleName(system.c_str(), lcAll, systemName))
    systemName[0] = '\0';
  if (!UnixToWindowsLocaleName(user.c_str(), lcAll, userName))
    userName[0] = '\0';

  // The table is large and a lookup reads a few pages of it: mapped, not
  // read.
  MappedFile file;
  NlsLocaleTable table;
  bool haveTable = MapNlsFile("locale.nls", &file) &&
                   NlsParseLocaleTable(file.bytes, &table);
  uint16_t record = 0;
  if (haveTable && NlsFindLocaleName(table, systemName, &record)) {
    uint16_t lang = NlsDefaultLanguage(table, record);
    if (lang != kLocaleCustomUnspecified) choice.systemLcid = lang;
  }
  if (haveTable && NlsFindLocaleName(table, userName, &record))
    choice.userLcid = NlsDefaultLanguage(table, record);
  if (choice.systemLcid == 0) choice.systemLcid = kEnglishUs;
  if (choice.userLcid == 0) choice.userLcid = choice.systemLcid;
  if (haveTable && NlsFindLocaleId(table, choice.systemLcid, &record)) {
    uint16_t acp = NlsDefaultAnsiCodePage(table, record);
    if (acp != 0) choice.ansiCodePage = acp;
  }
  return choice;
}

bool g_known = false;

}  // namespace

const HostLocaleChoice& HostLocale() {
  static HostLocaleChoice choice;
  if (!g_known) {
    choice = Choose();
    g_known = true;
  }
  return choice;
}

void HostForgetLocale() { g_known = false; }

bool HostReadNlsFile(const char* name, std::string& bytes) {
  for (bool inPrefix : {false, true}) {
    std::string path = NlsPath(name, inPrefix);
    if (!path.empty() && ReadWholeFile(path.c_str(), kMaxNlsBytes, bytes))
      return true;
  }
  return false;
}
