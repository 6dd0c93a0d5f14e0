#include "spreadsheet/formula_guard.h"

namespace detalehran::spreadsheet {

namespace {

bool starts_formula(std::string_view text) {
    if (text.empty()) return false;
    const char c = text.front();
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

std::string_view after_apostrophes(std::string_view text) {
    const std::size_t n = text.find_first_not_of('\'');
    return n == std::string_view::npos ? std::string_view() : text.substr(n);
}

}  // namespace

bool needs_formula_guard(std::string_view text) { return starts_formula(after_apostrophes(text)); }

std::string_view unguarded_cell(std::string_view cell) {
    if (cell.starts_with('\'') && starts_formula(after_apostrophes(cell))) cell.remove_prefix(1);
    return cell;
}

}  // namespace detalehran::spreadsheet
