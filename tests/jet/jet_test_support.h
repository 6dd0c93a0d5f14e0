#pragma once
// What the conversion tests share: checking a fixture with the mdbtools
// programs before it is used, and reading a converted store back through
// our ODBC driver as the program reads it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet_fixture_writer.h"
#include "odbc_support.h"

namespace detalehran::jet::testing {

namespace fx = detalehran::jet::fixture;

// A text value and a NULL, for building rows.
fx::Value text(const std::string& value);
fx::Value number(std::int64_t value);
inline const fx::Value kNull{};

// Writes the fixture and checks it independently: mdb-tables lists exactly
// the tables, mdb-schema their columns with their types, and mdb-export
// every row as written (mdb-export prints an empty text as it prints NULL).
::testing::AssertionResult write_checked_fixture(const std::string& path, const std::vector<fx::Table>& tables);

// The rows of a query on a store file, each value as the driver gives it.
dtest::Rows query_store(const std::string& store_path, const std::string& sql);

}  // namespace detalehran::jet::testing
