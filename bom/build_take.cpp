#include "bom/build_take.h"

#include <map>

#include "db/failure_text.h"
#include "db/operation.h"
#include "db/statements.h"

namespace detalehran::bom {

std::string build_caption(const Bom& bom, long long boards) {
    return "Сборка " + bom.name + " × " + std::to_string(boards);
}

TakeResult take_build(db::Database& database, const Bom& bom, const BuildCheck& check, const StockIndex& stock,
                      bool available_only) {
    TakeResult result;
    if (check.shortfall > 0 && !available_only) {
        result.outcome = TakeResult::Outcome::short_refused;
        result.reason =
            "не хватает " + std::to_string(check.shortfall) + " шт. в строках: " + std::to_string(check.short_lines);
        return result;
    }
    // By part, in the store's order: lines that share a part take from it
    // together, and two builds at once lock the rows they share in the same
    // order, so that neither waits for the other in a circle.
    std::map<std::size_t, long long> taken;
    for (const CheckLine& line : check.lines) {
        if (line.part && line.take > 0) taken[*line.part] += line.take;
    }
    if (taken.empty()) {
        result.outcome = TakeResult::Outcome::nothing;
        result.reason = "на складе нет ни одной детали спецификации";
        return result;
    }
    const auto& parts = stock.parts();
    long long pieces = 0;
    const bool done = db::run_operation(database, build_caption(bom, check.boards), [&] {
        for (const auto& [part, take] : taken) {
            const StockPart& p = parts[part];
            // Written only where the quantity is still the one the check read.
            if (!database.db_update(
                    db::set_item_quantity(std::to_string(p.quantity - take), p.id, std::to_string(p.quantity)))) {
                if (database.last_diagnostic().sqlstate == db::kNoRowMatched)
                    result.changed = p.id + " «" + p.name + "»";
                return false;
            }
            pieces += take;
        }
        return true;
    });
    if (done) {
        result.outcome = TakeResult::Outcome::done;
        result.parts = static_cast<long long>(taken.size());
        result.pieces = pieces;
        return result;
    }
    if (!result.changed.empty()) {
        result.outcome = TakeResult::Outcome::changed;
        result.reason = "деталь " + result.changed + " тем временем изменили или удалили; проверьте сборку снова";
    } else {
        result.outcome = TakeResult::Outcome::failed;
        result.diagnostic = database.last_diagnostic();
        result.reason = db::failure_text(result.diagnostic);
    }
    return result;
}

}  // namespace detalehran::bom
