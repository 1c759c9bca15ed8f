// Line-by-line comparison with visible bytes.
#include "tests/e2e/text_diff.h"

#include <cstdio>
#include <vector>

static std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    line += bytes[i];
    bool crlf =
        bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
    if (crlf) continue;
    if (bytes[i] == '\n' || bytes[i] == '\r') {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string VisibleBytes(const std::string& line) {
  std::string out;
  for (unsigned char c : line) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string DescribeDifference(const std::string& expectedLabel,
                               const std::string& expected,
                               const std::string& actualLabel,
                               const std::string& actual) {
  if (expected == actual) return "";
  std::vector<std::string> a = SplitLines(expected);
  std::vector<std::string> b = SplitLines(actual);
  std::string out = "line | " + expectedLabel + " (" +
                    std::to_string(expected.size()) + " bytes) | " +
                    actualLabel + " (" + std::to_string(actual.size()) +
                    " bytes)\n";
  size_t count = a.size() > b.size() ? a.size() : b.size();
  for (size_t i = 0; i < count; ++i) {
    std::string left = i < a.size() ? VisibleBytes(a[i]) : "(none)";
    std::string right = i < b.size() ? VisibleBytes(b[i]) : "(none)";
    bool same = i < a.size() && i < b.size() && a[i] == b[i];
    out += (same ? "  " : "! ") + std::to_string(i + 1) + " | " + left;
    out += same ? "\n" : " | " + right + "\n";
  }
  return out;
}
