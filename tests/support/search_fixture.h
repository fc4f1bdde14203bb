#pragma once
// A search context over a scratch directory: a heap-held search state, the
// work file, the report files and a console whose input is a key script (its
// end ends every pause at once) and whose output is console.txt there.
// Whatever can fail in the set-up is reported by set_problem, which every
// user asserts: a test never runs on a work file or a report that did not open.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "evaluation/evaluation_queue.h"
#include "evaluation/work_file.h"
#include "platform/console.h"
#include "report/report_files.h"
#include "search/search_context.h"
#include "state/search_state.h"
#include "support/scratch_directory.h"

namespace genopt::test_support {

class SearchBench {
 public:
  // Whether set_problem opens the report files, or leaves that to the
  // search's own set-up.
  enum class Reports { opened, left_to_the_search };

  // `keys`: the bytes the console reads, one a keyboard poll; `jobs`: the
  // model runs that go side by side.
  explicit SearchBench(std::string_view keys = {}, std::int32_t jobs = 1);
  ~SearchBench();
  SearchBench(const SearchBench&) = delete;
  SearchBench& operator=(const SearchBench&) = delete;

  // Sets N, K, M and the bounds alike in the state and in the settings file
  // that the models read, then opens the work file, the slot directories and
  // the report files (the traces as the state's switches stand now).
  [[nodiscard]] ::testing::AssertionResult set_problem(
      std::int32_t k, const std::vector<std::pair<double, double>>& bounds,
      Reports reports_opening = Reports::opened);

  // What the selection report holds, everything buffered written out first.
  std::string selection();
  // What the console has shown.
  std::string console_output() const;

  ScratchDirectory scratch;
  std::unique_ptr<SearchState> owned_state = std::make_unique<SearchState>();
  SearchState& state = *owned_state;
  WorkFile work_file;
  EvaluationQueue queue;
  ReportFiles reports;
  int console_input_fd = -1;
  int console_output_fd = -1;
  Console console;
  SearchContext context{state, queue, reports, console};
};

}  // namespace genopt::test_support
