#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/option_table.h"

namespace pw {
namespace {

// The usage list is made from the table: every option, with its values and
// its help in a column of its own, however long the option's names.
TEST(OptionTable, usageListsEveryOptionWithItsValuesAndHelp) {
  bool quiet = false;
  const auto ignore = [](OptionValues) { return std::string(); };
  const std::vector<OptionRule> rules = {
      flagRule({"-q"}, quiet, "quiet"),
      {{"--out", "-o"}, "FILE", ignore, {}, "where it goes,\nfirst line wrapped by hand"},
      {{"--a-rather-long-option"}, "X Y Z", ignore, {}, "takes three"},
  };
  EXPECT_EQ(optionHelp(rules, 12),
            "  -q        quiet\n"
            "  --out FILE, -o FILE\n"
            "            where it goes,\n"
            "            first line wrapped by hand\n"
            "  --a-rather-long-option X Y Z\n"
            "            takes three\n");
}

}  // namespace
}  // namespace pw
