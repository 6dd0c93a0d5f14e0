#include "db/statements.h"

namespace detalehran::db {

std::string sql_text(const std::string& value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '\'';
    for (char c : value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

}  // namespace detalehran::db

namespace detalehran::db {

std::string select_items_by_name(const std::string& text) {
    // "[" would open a character list: "[x]" would find "x" and never the
    // name "[x]" itself.
    std::string pattern = "%";
    for (char c : text) {
        if (c == '[') {
            pattern += "[[]";
        } else {
            pattern += c;
        }
    }
    pattern += '%';
    return "SELECT * FROM [Store] WHERE [Название] LIKE " + sql_text(pattern) + " ORDER BY [Название]";
}

std::string set_item_quantity(const std::string& quantity, const std::string& id) {
    return "UPDATE [Store] SET [Количество] = " + quantity + " WHERE [ID] =" + id;
}

}  // namespace detalehran::db

// Section trees and moving items between sections.
namespace detalehran::db {

namespace {

std::string column_name(StoreColumn column) {
    return column == kPlace ? "[Расположение]" : "[Путь]";
}

std::string under(StoreColumn column, const std::string& node_path) {
    return column_name(column) + " LIKE " + sql_text(like_literal(node_path) + "%");
}

}  // namespace

std::string like_literal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '%' || c == '_' || c == '[') {
            out += '[';
            out += c;
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

std::string select_items_under(StoreColumn column, const std::string& node_path) {
    return "SELECT * FROM [Store] WHERE " + under(column, node_path) + " ORDER BY [Название]";
}

std::string select_paths_under(StoreColumn column, const std::string& node_path) {
    return "SELECT [ID], " + column_name(column) + " FROM [Store] WHERE " + under(column, node_path) +
           " ORDER BY [ID]";
}

std::string delete_items_under(StoreColumn column, const std::string& node_path) {
    return "DELETE * FROM [Store] WHERE " + under(column, node_path);
}

std::string set_item_node_path(StoreColumn column, const std::string& path, const std::string& id) {
    return "UPDATE [Store] SET " + column_name(column) + " = " + sql_text(path) + " WHERE [ID] = " + id;
}

std::string select_distinct_paths(StoreColumn column) {
    return "SELECT DISTINCT " + column_name(column) + " FROM [Store]";
}

std::string park_item(const std::string& id) { return "INSERT INTO [Temp] SELECT * FROM [Store] WHERE [ID] = " + id; }

std::string delete_stored_item(const std::string& id) { return "DELETE FROM [Store] WHERE [ID] = " + id; }

std::string unpark_item(const std::string& id) { return "DELETE FROM [Temp] WHERE [ID] = " + id; }

std::string stamp_parked(StoreColumn column, const std::string& path) {
    return "UPDATE [Temp] SET " + column_name(column) + " = " + sql_text(path);
}

}  // namespace detalehran::db

// Item commands of the list.
namespace detalehran::db {

std::string delete_item(const std::string& id) { return "DELETE FROM [Store] WHERE [ID] =" + id; }

}  // namespace detalehran::db

namespace detalehran::db {

std::string update_item(const ItemValues& v) {
    return "UPDATE [Store] SET [Название]=" + sql_text(v.name) + ",[Описание]=" + sql_text(v.description) +
           ",[Тип корпуса]=" + sql_text(v.package) + ",[Расположение]=" + sql_text(v.place) +
           ",[Количество]=" + v.quantity + ",[Цена расходная]=" + v.price + ",[Цена приходная]=" +
           v.purchase_price + ",[Поставщик]=" + sql_text(v.supplier) + ", [Datasheet]=" + sql_text(v.datasheet) +
           " WHERE [ID] = " + v.id;
}

std::string insert_item(const ItemValues& v) {
    return "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],"
           "[Цена приходная],[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES (" +
           sql_text(v.name) + "," + sql_text(v.description) + "," + sql_text(v.place) + "," + v.quantity + "," +
           v.price + "," + v.purchase_price + "," + sql_text(v.supplier) + "," + sql_text(v.section_path) + "," +
           sql_text(v.package) + "," + sql_text(v.datasheet) + ")";
}

std::string insert_package(const std::string& package) { return "INSERT INTO [Package] Values(" + sql_text(package) + ")"; }

std::string delete_package(const std::string& package) {
    return "DELETE FROM [Package] WHERE [Тип корпуса] = " + sql_text(package);
}

}  // namespace detalehran::db
