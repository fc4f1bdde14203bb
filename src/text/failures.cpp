#include "text/failures.h"

#include <charconv>

#include "text/code_page.h"
#include "text/messages.h"

namespace genopt {

namespace {

std::string with_number(std::string_view before, std::int32_t number, std::string_view after) {
  char digits[16];
  const auto written = std::to_chars(digits, digits + sizeof digits, number);
  std::string line(before);
  line.append(digits, written.ptr).append(after);
  return line;
}

// "(попыток: 12)": the count in parentheses, so that no word must agree with it.
std::string with_count(std::string_view text, std::string_view label, std::int32_t count) {
  std::string before(text);
  before.append(" (").append(label).append(": ");
  return with_number(before, count, ")");
}

}  // namespace

FailureText failure_text(Failure failure, std::int32_t count) {
  using text::cp1251;
  const std::string_view result = text::result_file_name;
  switch (failure) {
    case Failure::none:
      break;
    case Failure::settings_file:
      return {result, cp1251<"Ошибка ввода из файла &_in_gen.txt">,
              "Misentry from make file &_in_gen.txt"};
    case Failure::settings_too_many_pairs:
      return {result, cp1251<"Более 500 пар границ в файле &_in_gen.txt">,
              "More than 500 bound pairs in file &_in_gen.txt"};
    case Failure::settings_too_many_values:
      return {result, cp1251<"Более 2000 ограничений (2N+K) по файлу &_in_gen.txt">,
              "More than 2000 constraints (2N+K) by file &_in_gen.txt"};
    case Failure::settings_no_pairs:
      return {result, cp1251<"Нет ни одной пары границ в файле &_in_gen.txt">,
              "No bound pair in file &_in_gen.txt"};
    case Failure::start_point_open:
      return {result, cp1251<"Ошибка ОТКРЫТИЯ файла &&_in_X_start.txt">,
              "Error opening &&_in_X_start.txt"};
    case Failure::start_point_read:
      return {result, cp1251<"Ошибка ВВОДА из файла &&_in_X_start.txt">,
              "Misentry from file &&_in_X_start.txt"};
    case Failure::integer_flags_open:
      return {text::integer_flags_failure_file_name,
              cp1251<"Ошибка ОТКРЫТИЯ  файла &&_in_iZEL.txt">, "Error opening &&_in_iZEL.txt"};
    case Failure::integer_flags_read:
      return {result, cp1251<"Ошибка ввода из файла &&_in_iZEL.txt">,
              "Misentry from file &&_in_iZEL.txt"};
    case Failure::work_file_write:
      return {result, cp1251<"Ошибка записи в файл &&&_Rab.txt">,
              "Record error in file &&&_Rab.txt"};
    case Failure::work_file_read:
      return {result, cp1251<"Ошибка ввода из рабочего файла &&&_Rab.txt">,
              "Misentry from make file &&&_Rab.txt"};
    case Failure::model_start:
      return {result, cp1251<"Ошибка запуска модели tarnix.exe">,
              "Error starting model tarnix.exe"};
    case Failure::no_feasible_candidate:
      return {
          result,
          with_count(cp1251<"Не найдено ни одного допустимого решения">, cp1251<"попыток">, count),
          with_count("No feasible candidate found", "attempts", count)};
    case Failure::model_timeout:
      return {result,
              with_number(cp1251<"Модель tarnix.exe не завершилась за ">, count, cp1251<" с">),
              with_number("Model tarnix.exe did not finish in ", count, " s")};
  }
  return {};
}

}  // namespace genopt
