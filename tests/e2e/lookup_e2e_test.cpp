// Registry lookups on each build: one entry per run, the whole variables
// file compared, and the lines of the trace that say why.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/e2e/expected_vars.h"
#include "tests/e2e/lab_cases.h"
#include "tests/e2e/run_folder.h"
#include "tests/e2e/text_diff.h"

class LookupTest
    : public ::testing::TestWithParam<std::tuple<LookupCase, Build>> {};

TEST_P(LookupTest, WritesWhatTheLookupFinds) {
  const LookupCase& lookup = std::get<0>(GetParam());
  Build build = std::get<1>(GetParam());
  E2E_REQUIRE_BUILD(build);

  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, "lookup-" + lookup.name, &folder, &error))
      << error;
  ASSERT_TRUE(
      WriteBytes(SearchListPath(folder),
                 SearchListText({{lookup.regKey, lookup.fileName, "V"}})));
  SCOPED_TRACE("RegKey=" + lookup.regKey + " FileName=" + lookup.fileName);
  ExpectTracedRun(&folder, folder.dir, ExpectedTrace(lookup, build),
                  ExpectedVarsFile({{"V", ExpectedVersion(lookup, build),
                                     ExpectedDir(lookup, build)}}));
}

INSTANTIATE_TEST_SUITE_P(
    AllBuilds, LookupTest,
    ::testing::Combine(::testing::ValuesIn(LookupCases()),
                       ::testing::Values(Build::kHost, Build::kHost32,
                                         Build::kWin32, Build::kWin64)),
    CaseName());
