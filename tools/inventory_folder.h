#pragma once
// An inventory folder as the tool's spreadsheet commands reach it: the
// store through the program's own database layer and driver, connected
// without any data source (the user's odbc.ini is never written), and the
// folder's Store.ini with the trees.

#include <string>

#include "arguments.h"
#include "db/database.h"
#include "settings/settings_format.h"

namespace detalehran::dbtool {

// Where an inventory is: a folder's Store.mdb, or the store of a data
// source (a team's server) with the Store.ini of the current folder, where
// the program keeps it too.
struct Inventory {
    std::string folder;  // the folder of Store.ini, and of Store.mdb without a data source
    std::string dsn;     // the data source, or empty for the folder's file
};

// The inventory a command names: "--dsn NAME", or the folder that is its
// first operand (taken off the operands). Throws UsageError when neither.
Inventory take_inventory(Arguments& args);

// Connects to the inventory. The one place that knows how the tool finds a
// store; false with a one-line reason.
bool open_inventory(const Inventory& inventory, db::Database& database, std::string* error);

// Whether the folder has a Store.ini.
bool has_folder_settings(const std::string& folder);

// The folder's Store.ini, or the defaults of a first start when there is
// none; either way both trees get the nodes of the stored paths they lack,
// as the program adds them at its start. False when the file is there but
// cannot be read, or the store cannot be read.
bool read_folder_settings(const std::string& folder, db::Database& database, settings::SettingsRecord& record,
                          std::string* error);
// Replaces the folder's Store.ini whole.
bool write_folder_settings(const std::string& folder, const settings::SettingsRecord& record, std::string* error);

}  // namespace detalehran::dbtool
