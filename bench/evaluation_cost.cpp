// What one evaluation costs us beside the model: an evaluation as the search
// makes it with one job (through the evaluation queue) at N = 500 against a bare loop that only
// writes the same file, starts the same model and reads its answer; what the keyboard polls of
// one child (one a variable) cost against one evaluation; and how many allocations an
// evaluation makes, one at a time and side by side (none is the goal). Prints the ratios.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>

#include "evaluation/evaluation_queue.h"
#include "evaluation/model_exchange.h"
#include "platform/console.h"
#include "search/keyboard_control.h"

extern char** environ;

// Every allocation of the program's code goes through here, so it is counted.
static long allocations = 0;

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int variables = 500;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The least that any exchange must do: write, start, wait, read back.
void bare_exchange(const std::string& record, std::string& answer) {
  const int fd = ::open("&&&_Rab.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (::write(fd, record.data(), record.size()) < 0) std::abort();
  ::close(fd);
  char* argv[] = {const_cast<char*>("./tarnix.exe"), const_cast<char*>("-c"),
                  const_cast<char*>("-r"), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "./tarnix.exe", nullptr, nullptr, argv, environ) != 0) std::abort();
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::ifstream in("&&&_Rab.txt");
  std::getline(in, answer);
}

// Allocations per evaluation over `rounds` evaluations with `jobs` side by
// side, once the queue has run each of its slots.
double allocations_per_evaluation(genopt::SearchState& state, genopt::WorkFile& work_file,
                                  std::int32_t jobs, int rounds) {
  genopt::EvaluationQueue queue(work_file, {}, jobs);
  if (!queue.open().ok()) std::abort();
  const genopt::ProblemView problem = genopt::problem_view(state);
  const genopt::Vector1<double, genopt::max_variables> candidate = state.evaluation.candidate;
  long counted_from = 0;
  for (int evaluation = 0; evaluation < jobs + rounds; ++evaluation) {
    if (evaluation == jobs) counted_from = allocations;
    if (queue.full() && !queue.apply_oldest(state.evaluation, problem).ok()) std::abort();
    queue.start(candidate, problem);
  }
  const long counted = allocations - counted_from;
  while (!queue.empty()) {
    if (!queue.apply_oldest(state.evaluation, problem).ok()) std::abort();
  }
  if (!queue.close().ok()) std::abort();
  return static_cast<double>(counted) / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
  const fs::path directory = fs::temp_directory_path() / "genopt-bench";
  fs::create_directories(directory);
  fs::copy_file(fs::path(GENOPT_MODELS_DIR) / "sphere", directory / "tarnix.exe",
                fs::copy_options::overwrite_existing);
  fs::current_path(directory);

  auto state = std::make_unique<genopt::SearchState>();
  state->variable_count = variables;
  state->constraint_count = 2 * variables;
  for (int i = 1; i <= variables; ++i) state->evaluation.candidate[i] = 0.001 * i;
  genopt::WorkFile work_file;
  if (work_file.open() != 0) return 1;
  const double serial_allocations = allocations_per_evaluation(*state, work_file, 1, 100);
  const double side_by_side_allocations = allocations_per_evaluation(*state, work_file, 3, 100);
  genopt::EvaluationQueue queue(work_file, {}, 1);
  const genopt::Vector1<double, genopt::max_variables> candidate = state->evaluation.candidate;
  std::string bare_record;
  for (int i = 1; i <= variables; ++i) bare_record += std::to_string(0.001 * i) + "\n";
  std::string answer;

  double ours = 0.0;
  double bare = 0.0;
  for (int round = 0; round < rounds; ++round) {  // interleaved, so both see the same machine
    auto start = Clock::now();
    queue.start(candidate, genopt::problem_view(*state));
    if (!queue.apply_oldest(state->evaluation, genopt::problem_view(*state)).ok()) return 1;
    ours += seconds_since(start);
    start = Clock::now();
    bare_exchange(bare_record, answer);
    bare += seconds_since(start);
  }

  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return 1;  // an open pipe with nothing in it: the costly case
  genopt::Console console(pipe_ends[0], ::open("/dev/null", O_WRONLY));
  const int polls = 5'000'000;
  auto start = Clock::now();
  for (int poll = 0; poll < polls; ++poll) {
    if (genopt::stop_requested(*state, console)) return 1;
  }
  const double per_poll = seconds_since(start) / polls;

  const double per_ours = ours / rounds;
  const double per_bare = bare / rounds;
  std::printf("evaluation at N = %d: %.1f us; bare write-start-wait-read: %.1f us; ratio %.3f\n",
              variables, per_ours * 1e6, per_bare * 1e6, per_ours / per_bare);
  std::printf(
      "keyboard poll with nothing waiting: %.1f ns; %d polls (one child) = %.4f%% of an "
      "evaluation\n",
      per_poll * 1e9, variables, 100.0 * per_poll * variables / per_ours);
  std::printf("allocations per evaluation: %.2f one at a time, %.2f with 3 jobs\n",
              serial_allocations, side_by_side_allocations);
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(directory);
  return 0;
}
