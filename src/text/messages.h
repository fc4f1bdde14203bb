#pragma once
// Every text the system writes, held once per code page: file texts in CP1251
// (converted at compile time from the readable form), console texts in UTF-8.
// Blanks, no-break spaces and the Latin "e" of "значениe" are deliberate.

#include <string_view>

#include "text/code_page.h"

namespace genopt::text {

// Names of files.
inline constexpr std::string_view work_file_name = "&&&_Rab.txt";
inline constexpr std::string_view settings_file_name = "&_in_gen.txt";
inline constexpr std::string_view start_point_file_name = "&&_in_X_start.txt";
inline constexpr std::string_view integer_flags_file_name = "&&_in_iZEL.txt";
inline constexpr std::string_view selection_file_name = "z_selection.txt";
inline constexpr std::string_view result_file_name = "z_result.txt";
inline constexpr std::string_view trace_before_file_name = "z_ПРОМЕЖ_до    1 (18).txt";
inline constexpr std::string_view trace_after_file_name = "z_ПРОМЕЖ_после 2 (19).txt";
inline constexpr std::string_view iterations_file_name = "z_РЕЗУЛ_итер   3 (20).txt";
inline constexpr std::string_view integer_flags_failure_file_name = "z_ЦЕЛЬ         4 (21).txt";
inline constexpr std::string_view continuation_file_name = "Z_NEPR_ZELL";
inline constexpr std::string_view continuation_companion_file_name = "Z_NEPR_ZELL_otl";
inline constexpr const char* model_program_name = "tarnix.exe";
// The directories of model runs that go side by side: genopt-slots/1, /2...
inline constexpr std::string_view slots_directory_name = "genopt-slots";
// Held open by a run on Windows where no global mutex may be made, so that a
// second run in the directory is refused; deleted when the run ends. Like the
// slot directories, it is genopt's own and never linked into a slot.
inline constexpr std::string_view lock_file_name = "genopt-directory.lock";

// Console texts.
namespace console {
inline constexpr std::string_view press_enter = "Press - ENTER";
inline constexpr std::string_view stop_pause = "STOP-pausa";
inline constexpr std::string_view group_of = " группа особей (";
inline constexpr std::string_view group_received = " штук)  получена ";
inline constexpr std::string_view not_generated = "поколение НЕ ГЕНЕРИРУЕТСЯ\u00a0";
inline constexpr std::string_view only_received = "получено всего-лишь ";
inline constexpr std::string_view individuals = " особей";
inline constexpr std::string_view iteration = " итерация\u00a0";
inline constexpr std::string_view progress_objective = "  значение целевой функции -";
inline constexpr std::string_view convergence = "значение параметра области сходимости -";
inline constexpr std::string_view scale_divided = "To Division By 10 ";
inline constexpr std::string_view scale_multiplied = "Multiplyings on 10 ";
}  // namespace console

// File texts (CP1251).
namespace file {
inline constexpr std::string_view selection_heading =
    cp1251<"СТАТИСТИЧЕСКИЙ АНАЛИЗ исходной популяции">;
inline constexpr std::string_view group_of = cp1251<" группа\u00a0особей (">;
inline constexpr std::string_view group_received = cp1251<" штук) получена\u00a0 ">;
inline constexpr std::string_view not_generated = cp1251<"поколение не генерируется">;
inline constexpr std::string_view only_generated = cp1251<"сгенерировано всего-лишь ">;
inline constexpr std::string_view individuals = cp1251<" особей">;
inline constexpr std::string_view ranges_heading =
    cp1251<"диапозоны изменения переменных в начальной популяции">;
inline constexpr std::string_view range_min = " MIN  - ";
inline constexpr std::string_view range_max = " MAX - ";
inline constexpr std::string_view bound_min = " min_ - ";
inline constexpr std::string_view bound_max = " max_ - ";
inline constexpr std::string_view warm_up_heading = cp1251<"ПОПУЛЯЦИЯ НА РАЗГОНЕ">;
inline constexpr std::string_view row_objective = cp1251<" значениe целевой функции -">;
inline constexpr std::string_view coordinates_heading =
    cp1251<"значения координат вектора поиска ">;
inline constexpr std::string_view variable = cp1251<" переменная -">;
inline constexpr std::string_view iteration = cp1251<" итерация">;
inline constexpr std::string_view trace_before_heading = cp1251<"ПРОМЕЖ_ФАЙЛ до ранжирования">;
inline constexpr std::string_view difference_degree =
    cp1251<"степень отличия элементов промеж. массива от лучшего решения">;
inline constexpr std::string_view percent = cp1251<" процентов">;
inline constexpr std::string_view convergence = cp1251<"значение параметра области сходимости -">;
inline constexpr std::string_view trace_after_heading = cp1251<"ПРОМЕЖ_ФАЙЛ после ранжирования">;
inline constexpr std::string_view intermediate_size = cp1251<"В ПРОМЕЖУТОЧНОМ массиве размером ">;
inline constexpr std::string_view units = cp1251<" единиц">;
inline constexpr std::string_view coinciding = cp1251<" совнадающих  решений (по блокам)">;
inline constexpr std::string_view population_report =
    cp1251<" ИТЕРАЦИЯ - популяция (результаты оптимизации)">;
inline constexpr std::string_view individual_objective =
    cp1251<" решение(особь), значениe целевой функции -">;
inline constexpr std::string_view coordinate = cp1251<" КООРДИНАТА -">;
inline constexpr std::string_view refinement_made =
    cp1251<" переменная в НУЛЕВОЙ области - ВЫПОЛНЯЕТСЯ ДОВОДКА">;
inline constexpr std::string_view refinement_needed =
    cp1251<" переменная в НУЛЕВОЙ области - необходима ДОВОДКА">;
inline constexpr std::string_view progress_objective = cp1251<"  значение целевой функции -">;
inline constexpr std::string_view final_objective = cp1251<"значение целевой функции -">;
inline constexpr std::string_view real_optimum =
    cp1251<"оптимальные значения в РЕАЛЬНОМ диапозоне">;
inline constexpr std::string_view relative_optimum =
    cp1251<"оптимальные значения в ОТНОСИТЕЛЬНОМ диапозоне">;
inline constexpr std::string_view model_calls = cp1251<"обращений к модели -">;
inline constexpr std::string_view activations = cp1251<"количество активаций ограничений ">;
}  // namespace file

}  // namespace genopt::text
