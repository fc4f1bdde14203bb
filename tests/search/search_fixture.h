#pragma once
// A search context over a scratch directory: a heap-held search state, the
// work file, the report files and a console that reads /dev/null (every pause
// ends at once) and writes console.txt in the directory.

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "evaluation/model_exchange.h"
#include "report/report_files.h"
#include "platform/console.h"
#include "search/search_engine.h"
#include "state/search_state.h"
#include "support/scratch_directory.h"

namespace genopt::test_support {

struct SearchBench {
  ScratchDirectory scratch;
  std::unique_ptr<SearchState> owned_state = std::make_unique<SearchState>();
  SearchState& state = *owned_state;
  WorkFile work_file;
  ModelExchange exchange{work_file};
  ReportFiles reports;
  int console_input = ::open("/dev/null", O_RDONLY);
  int console_output = ::open("console.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Console console{console_input, console_output};
  SearchContext context{state, exchange, reports, console};

  ~SearchBench() {
    ::close(console_input);
    ::close(console_output);
  }

  // Sets N, K, M and the bounds alike in the state and in the settings file
  // that the models read, opens the work file and the report files.
  void set_problem(std::int32_t k, const std::vector<std::pair<double, double>>& bounds) {
    state.variable_count = static_cast<std::int32_t>(bounds.size());
    state.model_constraint_count = k;
    state.constraint_count = 2 * state.variable_count + k;
    for (std::int32_t i = 1; i <= state.variable_count; ++i) {
      state.lower_bound[i] = bounds[static_cast<std::size_t>(i - 1)].first;
      state.upper_bound[i] = bounds[static_cast<std::size_t>(i - 1)].second;
    }
    scratch.write("&_in_gen.txt", settings_text(k, 100, 100, bounds));
    work_file.open();
    static_cast<void>(reports.open(state));
  }

  std::string selection() {
    reports.selection.flush();
    return scratch.read("z_selection.txt");
  }
};

}  // namespace genopt::test_support
