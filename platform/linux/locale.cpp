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

#include "codepage/nls_locale.h"
#include "platform/linux/host_context.h"
#include "platform/linux/whole_file.h"
#include "platform/linux/wine_prefix.h"

namespace {

const char kWineDataDir[] = "/usr/share/wine/nls/";
const uint64_t kMaxNlsBytes = 16u << 20;

std::string CopyOf(const char* text) { return text ? text : ""; }

// Whether `load` takes the file `name` from Wine's data folder or, failing
// that, from the prefix's system32.
template <typename Load>
bool LoadNlsFile(const char* name, Load load) {
  if (load(std::string(kWineDataDir) + name)) return true;
  const std::string& prefix = HostWinePrefix();
  return !prefix.empty() && load(prefix + "/drive_c/windows/system32/" + name);
}

struct MappedFile {
  ByteSpan bytes;
  ~MappedFile() {
    if (bytes.data != nullptr)
      munmap(const_cast<unsigned char*>(bytes.data), bytes.size);
  }
};

bool MapNlsFile(const char* name, MappedFile* file) {
  return LoadNlsFile(name, [file](const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    void* at = MAP_FAILED;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<uint64_t>(st.st_size) <= kMaxNlsBytes)
      at = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ,
                MAP_PRIVATE, fd, 0);
    close(fd);
    if (at == MAP_FAILED) return false;
    file->bytes = ByteSpan(at, static_cast<size_t>(st.st_size));
    return true;
  });
}

WineLocaleChoice Choose() {
  setlocale(LC_CTYPE, "");
  std::string charset = CopyOf(nl_langinfo(CODESET));
  setlocale(LC_ALL, "");
  std::string system = CopyOf(setlocale(LC_CTYPE, nullptr));
  std::string user = CopyOf(setlocale(LC_MESSAGES, nullptr));
  setlocale(LC_ALL, "C");
  // A lookup reads a few pages of the large table: mapped, not read.
  MappedFile file;
  NlsLocaleTable table;
  bool haveTable = MapNlsFile("locale.nls", &file) &&
                   NlsParseLocaleTable(file.bytes, &table);
  return WineChooseLocale(charset.c_str(), system.c_str(), user.c_str(),
                          getenv("LC_ALL"), haveTable ? &table : nullptr);
}

}  // namespace

const WineLocaleChoice& HostLocale() {
  HostLocaleState& state = Host().locale;
  if (!state.known) {
    state.choice = Choose();
    state.known = true;
  }
  return state.choice;
}

bool HostReadNlsFile(const char* name, std::string& bytes) {
  return LoadNlsFile(name, [&bytes](const std::string& path) {
    return ReadWholeFile(path.c_str(), kMaxNlsBytes, bytes);
  });
}
