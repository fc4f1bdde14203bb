// A directory that cannot be locked, as on a file system without locks
// (flock fails with ENOLCK): the run is refused before it writes anything,
// unless --no-lock says to go on without the lock.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "support/binary_run.h"
#include "support/environment_variable.h"
#include "support/key_scripts.h"
#include "support/scratch_directory.h"

namespace genopt {
namespace {

namespace fs = std::filesystem;
using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;
using test_support::set_environment_variable;
using test_support::StandardInput;
using test_support::stop_at_poll;

// An environment variable set while it lives; the old value, or its absence,
// comes back afterwards.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) previous_ = old;
    set_environment_variable(name, value.c_str());
  }
  ~EnvironmentVariable() {
    set_environment_variable(name_, previous_ ? previous_->c_str() : nullptr);
  }
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(DirectoryLock, WhereTheSystemCannotLockTheRunIsRefusedUnlessToldToGoOnWithoutIt) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", "'p'\n0\n1 1\n-5 5\n-5 5\n");
  directory.install_model("sphere");
  const std::set<std::string> before = directory.names();
  const EnvironmentVariable no_locks("LD_PRELOAD", GENOPT_FLOCK_FAILS_LIBRARY);
  // The sanitizers' runtime would otherwise refuse to come after the preloaded library.
  const char* sanitizer_options = ::getenv("ASAN_OPTIONS");
  const EnvironmentVariable sanitizers(
      "ASAN_OPTIONS",
      std::string(sanitizer_options ? sanitizer_options : "") + ":verify_asan_link_order=0");

  const ProgramRun refused = run_genopt(stop_at_poll(1));
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.errors,
            "genopt: cannot lock this directory: No locks available "
            "(genopt --no-lock runs without the lock)\n");
  EXPECT_EQ(refused.console, "");
  EXPECT_EQ(directory.names(), before);

  const ProgramRun unlocked = run_genopt(stop_at_poll(1), StandardInput::file, {"--no-lock"});
  EXPECT_EQ(unlocked.exit_status, 0) << unlocked.errors;
  EXPECT_EQ(unlocked.errors, "");
  EXPECT_TRUE(directory.exists("z_result.txt"));
}

}  // namespace
}  // namespace genopt
