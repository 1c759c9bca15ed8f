// Wine's code page and locale files as the host reads them: any bytes are
// tried as both; what parses is converted both ways and looked up, the
// conversions must stay within their bounds, and Wine's choice of locale
// over the table must set every field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "codepage/nls_code_page.h"
#include "codepage/nls_locale.h"
#include "codepage/unix_locale_name.h"
#include "tests/fuzz/fuzz_support.h"
#include "unicode/utf16.h"

static void ExerciseCodePage(const uint8_t* data, size_t size) {
  NlsCodePage page;
  if (!NlsParseCodePage(ByteSpan(data, size), &page)) return;
  size_t n = std::min<size_t>(size, 96);
  const char* text = reinterpret_cast<const char*>(data + size - n);
  std::u16string wide;
  for (NlsEngine engine : {NlsEngine::kNative, NlsEngine::kWin32}) {
    NlsToWide(page, engine, text, n, wide);
    if (wide.size() > n) FuzzFail("more units than bytes");
  }
  // Units from the whole range, picked by the input.
  Utf16Unpack(ByteSpan(data + size - n, n), ByteOrder::kLittle, wide);
  std::string ansi;
  NlsFromWide(page, wide.data(), wide.size(), ansi);
  if (ansi.size() > 2 * wide.size()) FuzzFail("more than two bytes a unit");
  std::string exact;
  NlsFromWideExact(page, wide.data(), wide.size(), exact);
  if (exact != ansi) FuzzFail("the exact conversion spelt other bytes");
  for (int lead = 0; lead < 256; ++lead) {
    NlsIsLeadByte(page, static_cast<unsigned char>(lead));
    NlsDefinedPair(page, static_cast<unsigned char>(lead),
                   static_cast<unsigned char>(text[lead % n]));
  }
}

static void ExerciseLocaleTable(const uint8_t* data, size_t size) {
  NlsLocaleTable table;
  if (!NlsParseLocaleTable(ByteSpan(data, size), &table)) return;
  char name[16] = {0};
  for (size_t i = 0; i + 1 < sizeof name && i < size; ++i)
    name[i] = static_cast<char>(data[size - 1 - i]);
  uint16_t record = 0;
  for (const char* n : {"ja-JP", "", "en_us", static_cast<const char*>(name)}) {
    if (NlsFindLocaleName(table, n, &record)) {
      NlsDefaultLanguage(table, record);
      if (NlsFindLocaleId(table, NlsDefaultLanguage(table, record), &record))
        NlsDefaultAnsiCodePage(table, record);
    }
  }
  uint32_t lcid = size >= 4 ? data[0] | (data[1] << 8) : kLangEnglishUs;
  if (NlsFindLocaleId(table, lcid, &record)) NlsDefaultAnsiCodePage(table, record);
  WineLocaleChoice choice =
      WineChooseLocale("UTF-8", name, "C", name, &table);
  if (choice.systemLcid == 0 || choice.userLcid == 0 || choice.ansiCodePage == 0)
    FuzzFail("Wine's choice of locale left a field unset");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  ExerciseCodePage(data, size);
  ExerciseLocaleTable(data, size);
  return 0;
}
