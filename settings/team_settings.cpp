#include "settings/team_settings.h"

#include "db/team_statements.h"
#include "schema/server_tables.h"
#include "settings/settings_format.h"

namespace detalehran::settings {

bool read_team_settings(db::Database& database, TeamSettings& settings) {
    if (!database.db_query(db::kSelectTeamSettings)) return false;
    while (database.db_next_row()) {
        const std::string name = database.db_text(0);
        const QString value = QString::fromStdString(database.db_text(1));
        if (name == schema::kHighlightOnSetting) settings.highlight_on = setting_number(value) != 0 ? 1 : 0;
        if (name == schema::kMinimumSetting) settings.minimum = value;
        if (name == schema::kColourSetting) settings.colour = setting_number(value);
    }
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

bool store_team_settings(db::Database& database, const TeamSettings& settings) {
    if (!database.begin_transaction()) return false;
    const bool ok =
        database.db_update(
            db::store_team_setting(schema::kHighlightOnSetting, std::to_string(settings.highlight_on))) &&
        database.db_update(db::store_team_setting(schema::kMinimumSetting, settings.minimum.toStdString())) &&
        database.db_update(db::store_team_setting(schema::kColourSetting, std::to_string(settings.colour)));
    return database.end_transaction(ok) && ok;
}

}  // namespace detalehran::settings
