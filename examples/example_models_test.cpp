// The example models answer as their published problems say: the objective
// near the published optimum at a point just inside it, and a broken bound
// or the first violated constraint, with its index, elsewhere. Each model is
// run once per case in a scratch directory, as genopt would run it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string content_of(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

struct Answer {
  bool read = false;
  double value = 0.0;
  int index = 0;  // 0 for an objective
};

// Runs a model on one candidate, written as genopt writes it, and reads its answer.
Answer run_model(const fs::path& model, const std::string& example, const std::string& candidate) {
  std::string directory = (fs::temp_directory_path() / "genopt-example-XXXXXX").string();
  if (::mkdtemp(directory.data()) == nullptr) return {};
  fs::copy_file(fs::path(GENOPT_EXAMPLES_SOURCE_DIR) / example / "&_in_gen.txt",
                fs::path(directory) / "&_in_gen.txt");
  std::ofstream(fs::path(directory) / "&&&_Rab.txt", std::ios::binary) << candidate;
  const std::string command = "cd '" + directory + "' && '" + model.string() + "' -c -r </dev/null";
  const int status = std::system(command.c_str());
  const std::string text = content_of(fs::path(directory) / "&&&_Rab.txt");
  fs::remove_all(directory);
  Answer answer;
  if (status != 0) return answer;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto value_end = std::from_chars(first, last, answer.value).ptr;
  if (value_end == first) return answer;
  answer.read = true;
  first = value_end;
  while (first < last && *first == ' ') ++first;
  std::from_chars(first, last, answer.index);
  return answer;
}

fs::path compiled_model(const std::string& example) {
  return fs::path(GENOPT_EXAMPLES_BINARY_DIR) / example / "tarnix.exe";
}

struct Case {
  const char* name;
  const char* example;
  const char* candidate;
  int index;              // expected constraint index, 0 for the objective
  double expected_value;  // objective; or the bound's distance (constraints 1..2N)
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// Inside the published optimum by a hair: the objective within 0.01 %.
const Case kCases[] = {
    {"vessel_optimum", "pressure_vessel",
     "   13.0000000000000         7.00000000000000         42.0984000000000     \n"
     "   176.640000000000     \n",
     0, 6059.714},
    {"vessel_optimum_d_exponents", "pressure_vessel", "1.3D1, 7.0D0, 4.20984D1, 1.7664D2", 0,
     6059.714},
    {"vessel_shell_below_range", "pressure_vessel", "0 7 42.0984 176.64", 1, -1.0},
    {"vessel_length_above_range", "pressure_vessel", "13 7 42.0984 200.5", 8, -0.5},
    {"vessel_shell_too_thin", "pressure_vessel", "12 7 42.0984 176.64", 9, 0.0},
    {"vessel_too_small", "pressure_vessel", "13 7 42.0984 170", 11, 0.0},
    {"beam_optimum", "welded_beam", "0.205730 3.470489 9.036624 0.205730", 0, 1.724852},
    {"beam_weld_too_short", "welded_beam", "0.205730 3.0 9.036624 0.205730", 9, 0.0},
    {"beam_weld_thicker_than_bar", "welded_beam", "0.3 3.470489 9.036624 0.25", 11, 0.0},
    {"spring_optimum", "spring", "0.05171 0.35722 11.26", 0, 0.0126652},
    {"spring_wire_too_thick", "spring", "2.5 0.35722 11.26", 2, -0.5},
    {"spring_too_few_coils", "spring", "0.05171 0.35722 10", 7, 0.0},
};

class ExampleModel : public testing::TestWithParam<Case> {};

TEST_P(ExampleModel, AnswersAsThePublishedProblem) {
  const Case& c = GetParam();
  const Answer answer = run_model(compiled_model(c.example), c.example, c.candidate);
  ASSERT_TRUE(answer.read);
  EXPECT_EQ(answer.index, c.index);
  if (c.index == 0) {
    EXPECT_NEAR(answer.value, c.expected_value, 1e-4 * c.expected_value);
  } else if (c.expected_value < 0.0) {
    EXPECT_DOUBLE_EQ(answer.value, c.expected_value);  // a bound: distance in real units
  } else {
    EXPECT_LT(answer.value, 0.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExampleModel, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The Python model of the pressure vessel gives the compiled model's answers.
TEST(PythonModel, AnswersAsTheCompiledPressureVesselModel) {
  const fs::path script = fs::path(GENOPT_EXAMPLES_SOURCE_DIR) / "pressure_vessel" / "tarnix.py";
  for (const Case& c : kCases) {
    if (std::string(c.example) != "pressure_vessel") continue;
    const Answer compiled = run_model(compiled_model(c.example), c.example, c.candidate);
    const Answer python = run_model(script, c.example, c.candidate);
    ASSERT_TRUE(python.read) << c.name;
    EXPECT_EQ(python.index, compiled.index) << c.name;
    EXPECT_NEAR(python.value, compiled.value, 1e-12 * std::abs(compiled.value)) << c.name;
  }
}

}  // namespace
