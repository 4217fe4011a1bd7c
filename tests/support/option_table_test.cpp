#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/option_table.h"

namespace pw {
namespace {

struct Read {
  bool quiet = false;
  std::string file;
  std::string level;
};

std::vector<OptionRule> rulesFor(Read& read) {
  return {
      flagRule({"-q"}, read.quiet, "quiet"),
      {{"--out", "-o"}, "FILE",
       [&read](OptionValues values) {
         read.file = values[0];
         return std::string();
       },
       {},
       "where it goes,\nfirst line wrapped by hand"},
      {{"--a-rather-long-option"}, "X Y Z", [](OptionValues) { return std::string(); }, {}, "takes three"},
  };
}

TEST(OptionTable, usageListsEveryOptionWithItsValuesAndHelp) {
  Read unused;
  EXPECT_EQ(optionHelp(rulesFor(unused), 12),
            "  -q        quiet\n"
            "  --out FILE, -o FILE\n"
            "            where it goes,\n"
            "            first line wrapped by hand\n"
            "  --a-rather-long-option X Y Z\n"
            "            takes three\n");
}

TEST(OptionTable, readsValuesPositionalAndNamesThePositionalInErrors) {
  struct Case {
    std::vector<std::string_view> arguments;
    std::string error;
  };
  const Case cases[] = {
      {{"a.obj", "-o", "x", "-q"}, ""},
      {{"a.obj", "b.obj"}, "more than one kind given"},
      {{"--a-rather-long-option", "1", "2"}, "missing value after --a-rather-long-option"},
      {{"--frob"}, "unknown option --frob"},
  };
  for (const Case& c : cases) {
    Read read;
    const std::vector<OptionRule> rules = rulesFor(read);
    EXPECT_EQ(readArguments(c.arguments, rules, "kind", [&read](std::string_view p) { read.level = p; }), c.error);
    if (c.error.empty()) {
      EXPECT_TRUE(read.quiet);
      EXPECT_EQ(read.file, "x");
      EXPECT_EQ(read.level, "a.obj");
    }
  }
}

}  // namespace
}  // namespace pw
