#pragma once
// What the bill of materials window shows and writes, as texts: the places
// as people read them, the marks of a line, the totals under the check,
// and the pick list as CSV and as a document to print. No widgets.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "bom/build_check.h"
#include "spreadsheet/csv_writer.h"

namespace detalehran::bom_windows {

inline QString text_of(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// "|Все|Шкаф 1|Ящик 3|" as "Шкаф 1 / Ящик 3"; the root alone is "Все", no
// place at all "—".
QString place_text(const std::string& path);

// The line's part was found only by its value and package, and the user has
// not confirmed it: nothing is taken on such a guess.
bool is_proposal(const bom::CheckLine& line);
// The user's choice of a part for a line (or of none, with `part` empty):
// the chosen candidate counts as confirmed from now on.
void choose_part(bom::CheckLine& line, std::optional<std::size_t> part);
// Every proposal confirmed; how many were.
std::size_t confirm_proposals(bom::BuildCheck& check);
std::size_t count_proposals(const bom::BuildCheck& check);

// What a line's marks say, for the column beside the colours: "нет на
// складе", "не хватает 5", "останется меньше минимума", "предложено по
// номиналу"; empty when all is well.
QString line_marks(const bom::CheckLine& line);

// Lines found, missing and short; pieces needed and short; the cost of one
// board and of all by purchase prices, and how many lines the cost leaves out.
QString totals_text(const bom::BuildCheck& check);

// The pieces and the distinct parts the build takes.
struct TakeCount {
    long long parts = 0, pieces = 0;
};
TakeCount take_count(const bom::BuildCheck& check);
// The same as an HTML page for printing, titled with the board and N, and
// what is short said under the table.
QString pick_list_html(const bom::Bom& bom, const bom::BuildCheck& check, const bom::StockIndex& stock,
                       const std::vector<bom::PickRow>& rows);

}  // namespace detalehran::bom_windows
