#include "support/search_fixture.h"

#include <string.h>

#include "support/descriptors.h"
#include "support/line_ends.h"
#include "support/settings_text.h"

namespace genopt::test_support {

namespace {

constexpr const char* keys_file = "keys";
constexpr const char* console_file = "console.txt";

int open_keys(const ScratchDirectory& scratch, std::string_view keys) {
  scratch.write(keys_file, keys);
  return open_to_read(keys_file);
}

}  // namespace

SearchBench::SearchBench(std::string_view keys, std::int32_t jobs)
    : queue(work_file, {}, jobs),
      console_input_fd(open_keys(scratch, keys)),
      console_output_fd(open_to_write(console_file)),
      console(console_input_fd, console_output_fd) {}

SearchBench::~SearchBench() {
  for (int fd : {console_input_fd, console_output_fd}) close_descriptor(fd);
}

::testing::AssertionResult SearchBench::set_problem(
    std::int32_t k, const std::vector<std::pair<double, double>>& bounds, Reports reports_opening) {
  if (console_input_fd < 0 || console_output_fd < 0) {
    return ::testing::AssertionFailure() << "the console's files did not open";
  }
  state.variable_count = static_cast<std::int32_t>(bounds.size());
  state.model_constraint_count = k;
  state.constraint_count = 2 * state.variable_count + k;
  for (std::int32_t i = 1; i <= state.variable_count; ++i) {
    state.lower_bound[i] = bounds[static_cast<std::size_t>(i - 1)].first;
    state.upper_bound[i] = bounds[static_cast<std::size_t>(i - 1)].second;
  }
  scratch.write("&_in_gen.txt", settings_text(k, 100, 100, bounds));
  if (const int error = work_file.open(); error != 0) {
    return ::testing::AssertionFailure() << "the work file did not open: " << ::strerror(error);
  }
  if (const Outcome opened = queue.open(); !opened.ok()) {
    return ::testing::AssertionFailure()
           << "the slot directories were not made: " << opened.platform_file;
  }
  if (reports_opening == Reports::left_to_the_search) return ::testing::AssertionSuccess();
  const Outcome opened = reports.open(state.trace_intermediate, state.trace_iterations);
  if (!opened.ok()) {
    return ::testing::AssertionFailure() << "the report file " << opened.platform_file
                                         << " did not open: " << ::strerror(opened.platform_error);
  }
  return ::testing::AssertionSuccess();
}

std::string SearchBench::selection() {
  reports.selection.flush();
  return scratch.read_text("z_selection.txt");
}

std::string SearchBench::console_output() const { return console_text(scratch.read(console_file)); }

}  // namespace genopt::test_support
