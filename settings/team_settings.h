#pragma once
// The settings that define a team's data rather than one desktop's view:
// the low-stock highlight and the minimum quantity (which the reorder list
// uses too). On a team's server they live in its Setting table, so every
// desktop highlights and orders by the same minimum; on a file they stay in
// Store.ini.

#include <QString>

#include "db/database.h"

namespace detalehran::settings {

struct TeamSettings {
    int highlight_on = 0;
    QString minimum = "5";
    int colour = 255;  // 0x00BBGGRR; -1 the list's default colour
    bool operator==(const TeamSettings&) const = default;
};

// Reads them from the server; a setting that is not stored keeps its value.
// False, with the reason the database's last diagnostic, when they could not
// be read.
bool read_team_settings(db::Database& database, TeamSettings& settings);
// Stores all of them in one transaction.
bool store_team_settings(db::Database& database, const TeamSettings& settings);

}  // namespace detalehran::settings
