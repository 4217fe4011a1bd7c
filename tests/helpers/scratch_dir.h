// Shared by the test suites: a scratch folder of its own for each running
// test, reading a file back whole, and running a program in the folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pw::testing_support {

// A fresh folder named after the process and the running test, so parallel
// CTest runs never share one; removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "portalwalk_" + std::to_string(::getpid()) + "_";
    name += info != nullptr ? std::string(info->test_suite_name()) + "_" + info->name() : "test";
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A file written with exactly these bytes.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct ProgramRun {
  int exitCode;  // -1: it did not exit by itself
  std::string out, err;
};

// Runs the shell command `program` in `dir`, as a script would: no terminal
// on standard input, its output and errors each to a file read back.
inline ProgramRun runProgram(const ScratchDir& dir, const std::string& program) {
  const std::string command = "cd '" + dir.path().string() + "' && " + program +
                              " < /dev/null > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.file("stdout.txt")),
          readFile(dir.file("stderr.txt"))};
}

}  // namespace pw::testing_support
