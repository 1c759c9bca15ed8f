// Builds the hostile values and files of the lab prefix.
#include "tests/hostile/hostile_lab.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/wine_lab.h"

const char kHostileKey[] = "HKEY_LOCAL_MACHINE\\Software\\Hostile";

struct RegValue {
  std::string name;
  std::string data;  // the text after '=' in the .reg file (ASCII)
};

// "C:\lab\Editor" padded with x's after a backslash to `length` chars.
static std::string PaddedDir(size_t length) {
  std::string text = "C:\\lab\\Editor\\";
  return text + std::string(length - text.size(), 'x');
}

static const std::string kEditorDir = "C:\\lab\\Editor";

static std::vector<RegValue> OddValues() {
  std::vector<RegValue> values;
  for (size_t length : {258, 259, 260, 517, 518, 519, 520, 10000})
    values.push_back(
        {"Sz" + std::to_string(length), RegQuoted(PaddedDir(length))});
  // Stored without a terminator: 518 is read whole, 519 fills the buffer
  // with no room for a NUL, 520 does not fit.
  for (size_t length : {10, 518, 519, 520})
    values.push_back({"NoNul" + std::to_string(length),
                      RegHexText(1, length == 10 ? std::string("C:\\lab\\Edi")
                                                 : PaddedDir(length))});
  values.push_back({"ZeroBytes", "hex(1):"});
  values.push_back({"OddLength", RegHex(1, std::string("C\0:\0\\", 5))});
  values.push_back(
      {"InnerNul", RegHexText(1, kEditorDir + std::string("\0x\0", 3))});
  values.push_back({"None", RegHex(0, kEditorDir)});
  values.push_back({"Binary", RegHex(3, kEditorDir)});
  values.push_back({"BinaryHuge", RegHex(3, std::string(70000, 'b'))});
  values.push_back({"Dword", "dword:005c3a43"});
  values.push_back({"DwordBig", RegHex(5, std::string("C:\\", 3))});
  values.push_back({"Link", RegHexText(6, kEditorDir)});
  values.push_back({"MultiHuge", RegHexText(7, std::string(5000, 'm') +
                                                   std::string("\0\0", 2))});
  values.push_back({"ResourceList", RegHex(8, kEditorDir)});
  values.push_back({"Qword", RegHex(0xb, "C:\\lab\\E")});
  values.push_back({"Type17", RegHex(0x11, "C:\\")});
  values.push_back(
      {"ExpandHuge", RegHexText(2, "%" + std::string(3000, 'e') + "%" +
                                       std::string("\0", 1))});
  return values;
}

static std::vector<RegValue> LineBreakValues() {
  return {
      {"CrLfInside",
       RegHexText(1, "C:\\lab\\Ed\r\nitor" + std::string("\0", 1))},
      {"LfAtEnd", RegHexText(1, kEditorDir + "\n" + std::string("\0", 1))},
      {"LfAtStart", RegHexText(1, "\n" + kEditorDir + std::string("\0", 1))},
      {"CrAlone", RegHexText(1, "C:\\lab\\\rEditor" + std::string("\0", 1))},
      {"ExpandLf",
       RegHexText(2, "%SystemDrive%\\lab\n" + std::string("\0", 1))},
      {"MultiLf", RegHexText(7, "C:\\lab\\Ed\nitor" + std::string("\0\0", 2))},
  };
}

static std::vector<std::string> NamesOf(const std::vector<RegValue>& values) {
  std::vector<std::string> names;
  for (const RegValue& value : values) names.push_back(value.name);
  return names;
}

const std::vector<std::string>& OddValueNames() {
  static const std::vector<std::string> names = NamesOf(OddValues());
  return names;
}

const std::vector<std::string>& LineBreakValueNames() {
  static const std::vector<std::string> names = NamesOf(LineBreakValues());
  return names;
}

const std::vector<std::string>& HostileFileNames() {
  static const std::vector<std::string> names = {
      "cut64.exe", "cut_headers.exe", "cut_half.exe", "huge.exe",
      "zeros.exe", "unreadable.exe",  "empty.exe",    "missing.exe"};
  return names;
}

static bool MakeProbedFiles(std::string* error) {
  std::string dir = LabDriveC() + "/hostile";
  std::filesystem::create_directories(dir);
  std::string pe;
  if (!ReadBytes(std::string(E2E_FIXTURE_DIR) + "/v7_64.exe", &pe) ||
      pe.size() < 1024) {
    *error = "version fixture missing";
    return false;
  }
  bool ok = WriteBytes(dir + "/cut64.exe", pe.substr(0, 64)) &&
            WriteBytes(dir + "/cut_headers.exe", pe.substr(0, 0x200)) &&
            WriteBytes(dir + "/cut_half.exe", pe.substr(0, pe.size() / 2)) &&
            WriteBytes(dir + "/empty.exe", "") &&
            WriteBytes(dir + "/huge.exe", pe) &&
            WriteBytes(dir + "/zeros.exe", "") &&
            WriteBytes(dir + "/unreadable.exe", pe);
  // Sparse: a valid image followed by a gigabyte of holes, and a gigabyte
  // of nothing but holes.
  const off_t kGiB = off_t(1) << 30;
  ok = ok && truncate((dir + "/huge.exe").c_str(), kGiB) == 0 &&
       truncate((dir + "/zeros.exe").c_str(), kGiB) == 0 &&
       chmod((dir + "/unreadable.exe").c_str(), 0) == 0;
  std::string fifo = dir + "/pipe";
  unlink(fifo.c_str());
  ok = ok && mkfifo(fifo.c_str(), 0644) == 0;
  if (!ok) *error = "cannot make the files under " + dir;
  return ok;
}

bool InstallHostileLab(std::string* error) {
  std::string body = "\r\n[" + std::string(kHostileKey) + "]\r\n";
  for (const RegValue& value : OddValues())
    body += RegQuoted(value.name) + "=" + value.data + "\r\n";
  for (const RegValue& value : LineBreakValues())
    body += RegQuoted(value.name) + "=" + value.data + "\r\n";
  body += "\"Dir\"=" + RegQuoted("C:\\hostile") + "\r\n";
  body += "\"Dev\"=" + RegQuoted("Z:\\dev\\") + "\r\n";
  return MakeProbedFiles(error) &&
         LabImportReg("hostile.reg", body, {64, 32}, error) &&
         SaveRegistryAndRestartServer(error);
}
