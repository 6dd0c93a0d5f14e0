#pragma once
// The tables a team's store has on a PostgreSQL server beyond the items
// (schema/store_columns.h): the section and place trees everyone shares,
// the version of each tree that every change of it raises, the team's
// settings, and the one scratch table Temp in which every role parks the
// items it moves, each row marked with its role. Also who may do what with
// them: a member changes items, trees and settings, a reader only reads.

#include <string>
#include <string_view>
#include <vector>

namespace detalehran::schema {

// The two trees, as numbered in the tables below.
enum class TreeKind : int { sections = 0, places = 1 };

inline constexpr std::string_view kNodeTable = "Node";
inline constexpr std::string_view kNodeId = "ID";
inline constexpr std::string_view kNodeTree = "Дерево";
inline constexpr std::string_view kNodeParent = "Родитель";  // NULL for the root "Все"
inline constexpr std::string_view kNodeName = "Имя";
inline constexpr std::string_view kNodeLevel = "Уровень";

inline constexpr std::string_view kTreeVersionTable = "TreeVersion";
inline constexpr std::string_view kVersionTree = "Дерево";
inline constexpr std::string_view kVersion = "Версия";

inline constexpr std::string_view kSettingTable = "Setting";
inline constexpr std::string_view kSettingName = "Имя";
inline constexpr std::string_view kSettingValue = "Значение";
// The settings that define the team's data rather than one desktop's view.
inline constexpr std::string_view kHighlightOnSetting = "Подсветка";
inline constexpr std::string_view kMinimumSetting = "Минимум";  // also the reorder list's minimum
inline constexpr std::string_view kColourSetting = "Цвет";

// The column of Temp that names the role whose cut parked the row; it
// follows the item's columns, so a whole item row fits before it.
inline constexpr std::string_view kParkedRole = "Роль";

// `public."name"`.
std::string public_table(std::string_view name);

// One table of the server, with the statements that make it; a store made
// before the table existed gets it from the same statements.
struct ServerTable {
    std::string_view name;
    std::vector<std::string> create;
};

// The shared tables beyond Store and Package, in the order they are made:
// Temp, Node with the two roots, TreeVersion and Setting with its defaults.
std::vector<ServerTable> postgres_team_tables();

// What a role may do with the store's tables: a member reads and changes
// everything and parks its own items; a reader reads everything (the
// parked rows too, to see what is being moved) and changes nothing. The
// statements are the table owner's grants: no role membership is needed.
enum class Access { member, reader };
std::vector<std::string> postgres_grants(std::string_view role, Access access);
// Takes every right on the store's tables from the role again.
std::vector<std::string> postgres_revokes(std::string_view role);
// Every table a role gets rights on, Store and Package first.
std::vector<std::string_view> granted_tables();

}  // namespace detalehran::schema
