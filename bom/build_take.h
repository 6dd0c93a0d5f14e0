#pragma once
// Taking a build's parts out of the store ("Списать на сборку"): one
// operation of the history ("Сборка pic_programmer × 5"), which one undo
// takes back. Each part's quantity is written only where it is still what
// the check read, so a part someone took from meanwhile refuses the whole
// build and no quantity goes below zero, whoever builds at the same time.
// Shared by the program's window and detalehran-db; shows nothing.

#include <string>

#include "bom/build_check.h"
#include "db/database.h"

namespace detalehran::bom {

// "Сборка pic_programmer × 5".
std::string build_caption(const Bom& bom, long long boards);

struct TakeResult {
    enum class Outcome {
        done,
        short_refused,  // something is short and only a whole build was asked for
        nothing,        // the store holds none of the bill's parts
        changed,        // a part changed or went meanwhile: check again
        failed,         // the database refused (diagnostic)
    };
    Outcome outcome = Outcome::failed;
    long long parts = 0;   // parts taken from (done)
    long long pieces = 0;  // pieces taken (done)
    std::string changed;   // the part that changed meanwhile: "1234 «Таймер NE555»"
    db::Diagnostic diagnostic;
    // Why nothing was taken, in Russian, starting in lower case ("не
    // хватает 12 шт. в строках: 3"); empty when done. A caller words the
    // rest (the tool adds its hint of --take-available, the window asks).
    std::string reason;
};

// Every line's `take` out of its part, all or nothing. With
// `available_only` false a check with any shortfall is refused.
TakeResult take_build(db::Database& database, const Bom& bom, const BuildCheck& check, const StockIndex& stock,
                      bool available_only);

}  // namespace detalehran::bom
