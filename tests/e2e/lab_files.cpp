// The lab tree on the prefix's C: drive.
#include "tests/e2e/lab_files.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "tests/e2e/locale_cases.h"
#include "tests/support/wine_lab.h"

namespace fs = std::filesystem;

std::string FitsExactlyDirName() { return std::string(241, 'd'); }
std::string CutByOneDirName() { return std::string(242, 'e'); }

struct LabFile {
  std::string fixture;  // file name under the fixture directory
  std::string target;   // path under drive_c
};

bool InstallLabFiles(std::string* error) {
  std::vector<LabFile> files = {
      {"v7_64.exe", "lab/Editor/editor.exe"},
      {"v10_64.exe", "lab/Ten/ten.exe"},
      {"v0_9_64.exe", "lab/Nine/nine.exe"},
      {"v65535_64.exe", "lab/Max/max.exe"},
      {"noversion_64.exe", "lab/Plain/plain.exe"},
      {"v10_64.exe", "lab/Sixty4/app.exe"},
      {"v7_64.exe", "lab/Thirty2/app.exe"},
      // The Unix name is UTF-8; Wine shows it as C:\lab\Caf\xE9 in ACP 1252.
      {"v7_64.exe", "lab/Caf\xC3\xA9/editor.exe"},
      {"v7_64.exe", "lab/Pua\xEF\x80\x80/editor.exe"},  // U+F000
      {"v7_64.exe", "lab/" + FitsExactlyDirName() + "/editor.exe"},
      {"v7_64.exe", "lab/" + CutByOneDirName() + "/editor.exe"},
      // Where a 32-bit program's system32 leads: syswow64, except for some
      // folders; sysnative leads to the real system32.
      {"v10_64.exe", "windows/syswow64/labwow.exe"},
      {"v7_64.exe", "windows/system32/labsys.exe"},
      {"v7_64.exe", "windows/system32/driversstore/labds.exe"},
      {"v7_64.exe", "windows/system32/DriverStore/labds.exe"},
  };
  for (const LocaleCase& locale : LocaleCases()) {
    std::string dir = "lab/intl/" + locale.native + "/";
    files.push_back({"v7_64.exe", dir + "editor.exe"});
    files.push_back({"v10_64.exe", dir + locale.native + ".exe"});
  }
  for (const LabFile& file : files) {
    fs::path from = fs::path(E2E_FIXTURE_DIR) / file.fixture;
    fs::path to = fs::path(LabDriveC()) / file.target;
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (!ec) {
      fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) {
      *error = "cannot copy " + from.string() + " to " + to.string() + ": " +
               ec.message();
      return false;
    }
  }
  return true;
}
