#pragma once
// A bill of materials and its check as a stored project (db/projects.h),
// and back.

#include <string>

#include "bom/build_check.h"
#include "db/projects.h"

namespace detalehran::bom {

// The bill's lines with the parts the check stands for (choices_of) and its
// number of boards, under `name`, read from `source`.
db::Project to_project(const std::string& name, const std::string& source, const Bom& bom, const BuildCheck& check,
                       const StockIndex& stock);
// The bill as the project keeps it, named after the project.
Bom bom_of(const db::Project& project);
Choices choices_of(const db::Project& project);

}  // namespace detalehran::bom
