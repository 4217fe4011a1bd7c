// libFuzzer target: any bytes up to 2 KB as an OBJ level, compiled with the
// fast build and with the straightforward one (see build_check.h for what
// must hold). A failed check prints what failed and aborts, so libFuzzer
// keeps the input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "tests/fuzz/build_check.h"

namespace {

// The logs and the level file of this process (libFuzzer may run several
// processes at once); removed when the run ends normally, kept after a
// failure for a look.
class ProcessScratch {
 public:
  ProcessScratch()
      : path_(std::filesystem::temp_directory_path() / ("portalwalk_build_fuzz_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~ProcessScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ProcessScratch(const ProcessScratch&) = delete;
  ProcessScratch& operator=(const ProcessScratch&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ProcessScratch scratch;
  const pw::fuzzing::BuildCheck check =
      pw::fuzzing::checkBuild(std::string_view(reinterpret_cast<const char*>(data), size), scratch.path());
  if (!check.failure.empty()) {
    std::fprintf(stderr, "build check failed: %s\n", check.failure.c_str());
    std::abort();
  }
  return 0;
}
