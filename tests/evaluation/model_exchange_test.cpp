// Real evaluations against the substitute models, each in a fresh directory.

#include "evaluation/model_exchange.h"

#include <gtest/gtest.h>

#include "support/model_call_log.h"
#include "support/search_fixture.h"
#include "support/search_path.h"

namespace genopt {
namespace {

class ModelExchangeTest : public ::testing::Test {
 protected:
  // Two variables in [0, 1], K = 1: M = 5.
  void SetUp() override { ASSERT_TRUE(bench_.set_problem(1, {{0, 1}, {0, 1}})); }

  Outcome evaluate(const char* model, double x1, double x2) {
    bench_.scratch.install_model(model);
    state_->evaluation.candidate[1] = x1;
    state_->evaluation.candidate[2] = x2;
    return evaluate_candidate(state_->evaluation, problem_view(*state_), bench_.queue);
  }

  test_support::SearchBench bench_;
  SearchState* const state_ = &bench_.state;
};

TEST_F(ModelExchangeTest, ObjectiveAnswerIsCountedAsARunOnly) {
  ASSERT_TRUE(evaluate("sphere", 0.5, 3.0).ok());
  EXPECT_DOUBLE_EQ(state_->evaluation.objective_value, 0.25 + 4.0);
  for (int j = 1; j <= 5; ++j) EXPECT_EQ(state_->evaluation.constraint_values[j], 0.0);
  EXPECT_EQ(state_->evaluation.N_model_calls, 1);
  EXPECT_EQ(state_->evaluation.N_activations, 0);
}

TEST_F(ModelExchangeTest, ConstraintAnswersSetOneValueAndKeepTheObjective) {
  ASSERT_TRUE(evaluate("sphere", 1.0, 3.0).ok());       // objective 4
  ASSERT_TRUE(evaluate("constrained", 0.5, 1.5).ok());  // variable 2 above its upper bound
  EXPECT_DOUBLE_EQ(state_->evaluation.constraint_values[4], -0.5);
  EXPECT_EQ(state_->evaluation.objective_value, 4.0);
  ASSERT_TRUE(evaluate("constrained", 0.25, 0.25).ok());    // x1 + x2 - 1 < 0: model constraint
  EXPECT_EQ(state_->evaluation.constraint_values[4], 0.0);  // zeroed before every exchange
  EXPECT_DOUBLE_EQ(state_->evaluation.constraint_values[5], -0.5);
  EXPECT_EQ(state_->evaluation.N_model_calls, 3);
  EXPECT_EQ(state_->evaluation.N_activations, 2);
  EXPECT_EQ(state_->evaluation.act_count[4], 1);
  EXPECT_EQ(state_->evaluation.act_count[5], 1);
}

// An earlier answer must never stand in for one the model did not give.
TEST_F(ModelExchangeTest, AnswerWithoutANumberIsAFailureNotTheLastValueRead) {
  for (const char* model : {"answers_nothing", "answers_slash", "deletes_work_file"}) {
    ASSERT_TRUE(evaluate("constrained", -1.0, 0.5).ok());  // value -1 at index 1
    EXPECT_EQ(evaluate(model, 0.5, 0.5).failure, Failure::work_file_read) << model;
  }
  EXPECT_EQ(state_->evaluation.N_model_calls, 3);  // the failed exchanges are not counted
}

TEST_F(ModelExchangeTest, AnswersOutsideTheProtocolFail) {
  EXPECT_EQ(evaluate("answers_word", 0.5, 0.5).failure, Failure::work_file_read);
  EXPECT_EQ(evaluate("answers_index_too_big", 0.5, 0.5).failure, Failure::work_file_read);
  EXPECT_EQ(evaluate("answers_index_zero", 0.5, 0.5).failure, Failure::work_file_read);
  EXPECT_EQ(state_->evaluation.N_model_calls, 0);  // a failed exchange is not counted
  state_->constraint_count = 6;  // the index the model answers is now the last one
  EXPECT_TRUE(evaluate("answers_index_too_big", 0.5, 0.5).ok());
  EXPECT_EQ(state_->evaluation.constraint_values[6], -1.0);
}

TEST_F(ModelExchangeTest, ModelThatCannotStartIsReported) {
  const test_support::EmptySearchPath no_models;  // none here either
  state_->evaluation.candidate[1] = 0.5;
  EXPECT_EQ(evaluate_candidate(state_->evaluation, problem_view(*state_), bench_.queue).failure,
            Failure::model_start);
  EXPECT_EQ(state_->evaluation.N_model_calls, 0);
}

TEST_F(ModelExchangeTest, AnswerIsReadWhateverWayTheModelEnded) {
  for (const char* model : {"replaces_by_rename", "exits_with_status", "dies_by_signal"}) {
    SCOPED_TRACE(model);
    state_->evaluation.objective_value = -7.0;
    ASSERT_TRUE(evaluate(model, 1.0, 2.0).ok());
    EXPECT_DOUBLE_EQ(state_->evaluation.objective_value, 1.0);
  }
  ASSERT_TRUE(evaluate("sphere", 1.0, 3.0).ok());  // after a rename the new file is the work file
  EXPECT_DOUBLE_EQ(state_->evaluation.objective_value, 4.0);
}

TEST_F(ModelExchangeTest, RelativeStepsReachTheModelInRealUnits) {
  test_support::start_model_call_log(bench_.scratch);
  state_->relative_mode = 1;
  state_->range_centre[1] = 3.0;
  state_->range_scale[1] = 0.02;
  state_->range_centre[2] = 0.1;
  state_->range_scale[2] = 0.0;
  ASSERT_TRUE(evaluate("sphere", -50.0, 7.0).ok());
  EXPECT_EQ(bench_.scratch.read_text("model_calls.txt"), "2 0.10000000000000001\n");
}

}  // namespace
}  // namespace genopt
