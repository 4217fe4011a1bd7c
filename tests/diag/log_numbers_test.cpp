// The logs format numbers with std::to_chars; their format is defined as a
// C++ stream's in the classic locale at precision 20. The two must give the
// same characters for every value a log can meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <locale>
#include <random>
#include <sstream>
#include <vector>

#include "diag/scene_log.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

std::vector<double> sampleDoubles() {
  using D = std::numeric_limits<double>;
  using F = std::numeric_limits<float>;
  std::vector<double> values = {0.0,         -0.0,         1.0,          -1.0,          0.1,
                                1e-5,        1e19,         1e20,         D::max(),      D::lowest(),
                                D::min(),    D::denorm_min(), -D::denorm_min(), D::epsilon(), D::infinity(),
                                -D::infinity(), F::max(),  F::lowest(),  F::min(),      F::denorm_min(),
                                F::epsilon(), static_cast<double>(0.1f)};
  std::mt19937_64 random(20);  // fixed: the same sample every run
  for (int i = 0; i < 60000; ++i) {
    const double any = std::bit_cast<double>(random());
    if (any == any) values.push_back(any);  // NaN never reaches a log
    values.push_back(std::bit_cast<double>(random() >> 12));  // subnormal
    values.push_back(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(random()))));
    values.push_back(static_cast<double>(static_cast<std::int64_t>(random())) / 1024.0);
  }
  return values;
}

TEST(LogNumbers, pointsAndIntegersMatchTheClassicStreamAtPrecision20) {
  const testing_support::ScratchDir dir;
  std::ostringstream expected;
  expected.imbue(std::locale::classic());
  expected.precision(20);
  {
    SceneLog log(dir.file("numbers.log"), nullptr);
    const std::vector<double> values = sampleDoubles();
    for (std::size_t i = 0; i + 2 < values.size(); i += 3) {
      const Point3 p{values[i], values[i + 1], values[i + 2]};
      expected << p.x << ' ' << p.y << ' ' << p.z << '\n';
      log.writePoint(p);
    }
    std::mt19937_64 random(64);
    std::vector<std::uint64_t> integers = {0, 9, 10, 4294967295u, std::numeric_limits<std::uint64_t>::max()};
    for (int i = 0; i < 20000; ++i) integers.push_back(random() >> (i % 64));
    for (const std::uint64_t n : integers) {
      expected << n << ' ';
      log.writeInteger(n);
      log.write(" ");
    }
  }
  // Compared whole; a failure shows the first line that differs, not a diff
  // of megabytes.
  const std::string written = testing_support::readFile(dir.file("numbers.log"));
  const std::string want = expected.str();
  const auto at = static_cast<std::size_t>(
      std::mismatch(want.begin(), want.end(), written.begin(), written.end()).first - want.begin());
  const std::size_t line = want.rfind('\n', at) + 1;  // npos + 1 is 0
  EXPECT_TRUE(written == want) << "stream: " << want.substr(line, want.find('\n', at) - line) << "\nlog:    "
                               << written.substr(line, written.find('\n', at) - line);
}

}  // namespace
}  // namespace pw
