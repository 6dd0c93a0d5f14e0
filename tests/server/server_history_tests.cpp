// The history a team's server keeps by itself: each change of the
// program's commands and of any other client, recorded once per operation
// with its author, and the rights around it.

#include <cstdlib>
#include <functional>

#include "db/failure_text.h"
#include "db/history.h"
#include "db/operation.h"
#include "db/team_statements.h"
#include "server/server_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class ServerHistory : public ServerProgram {
protected:
    // Runs the statements as one operation with a caption, as the
    // program's commands do.
    static bool run_captioned(db::Database& database, const std::string& caption,
                              const std::vector<db::Statement>& statements) {
        return db::run_operation(database, caption, [&] {
            for (const db::Statement& statement : statements) {
                std::string id;
                const bool insert = statement.text(db::Dialect::postgres).rfind("INSERT INTO public.\"Store\" (", 0) == 0;
                if (!(insert ? database.db_insert(statement, id) : database.db_update(statement))) return false;
            }
            return true;
        });
    }

    std::string newest_id() { return look_.value(R"(SELECT max("ID") FROM "HistoryOperations")"); }

    // Every shared table, row by row, as text.
    Rows snapshot() {
        Rows out;
        for (const char* table : {"Store", "Temp", "Package", "Node"}) {
            for (auto& row : look_.rows(std::string("SELECT t::text FROM public.\"") + table + "\" t ORDER BY 1"))
                out.push_back({table, row[0]});
        }
        return out;
    }

    // The newest operation as "who|caption|reverts".
    std::string newest_operation() {
        return look_.value(R"(SELECT "Who" || '|' || "Caption" || '|' || coalesce("Reverts"::text, '') FROM
            "HistoryOperations" ORDER BY "ID" DESC LIMIT 1)");
    }
    // The newest operation's rows: table, kind, item, and for an update each
    // changed column before → after, otherwise the row's name.
    std::vector<std::string> newest_changes() {
        std::vector<std::string> out;
        for (const auto& row : look_.rows(R"(SELECT "TableName" || ' ' || "Kind" || ' ' || coalesce("ItemID"::text, '-')
              || ' ' || CASE WHEN "Kind" = 'update' THEN (SELECT string_agg(k || ':' || coalesce("Before"::jsonb ->> k,
              '∅') || '→' || coalesce("After"::jsonb ->> k, '∅'), ', ' ORDER BY k) FROM jsonb_object_keys("After"::jsonb) k)
              ELSE coalesce("After", "Before")::jsonb ->> (CASE "TableName" WHEN 'Package' THEN 'Тип корпуса'
              WHEN 'Node' THEN 'Имя' ELSE 'Название' END) END FROM "History" WHERE "Operation" =
              (SELECT max("ID") FROM "HistoryOperations") ORDER BY "ID")"))
            out.push_back(row[0]);
        return out;
    }

    // An item as the list shows it, for the statements that check it is unchanged.
    db::ItemValues shown(db::Database& database, const std::string& id) {
        db::ItemValues values;
        EXPECT_TRUE(database.db_query(db::select_item(id)));
        if (database.db_next_row()) {
            for (int c = 0; c < static_cast<int>(schema::kItemColumnCount); ++c)
                values[static_cast<db::StoreColumn>(c)] = database.db_text(c);
        }
        database.db_finish();
        return values;
    }

    int node_id(const std::string& name) {
        return std::atoi(look_.value("SELECT \"ID\" FROM \"Node\" WHERE \"Имя\" = " + sql_literal(name)).c_str());
    }

    // The store with its owner's history, a member and a reader.
    void prepare() {
        member_ = create_store("member");
        other_ = add_role("other");
        reader_ = add_role("reader", true);
        trees::add_shared_paths(look_.database(), schema::TreeKind::sections, {"|Все|A|", "|Все|B|", "|Все|C|"});
        seed({{"R1", "|Все|A|", "|Все|Шкаф|"}, {"R2", "|Все|A|", "|Все|Шкаф|"}, {"R3", "|Все|C|", "|Все|Стол|"}});
        ASSERT_TRUE(member_door_.open(member_)) << member_door_.database().last_diagnostic().text;
    }

    std::string member_, other_, reader_;
    Door member_door_;
};

TEST_F(ServerHistory, EachCommandOfAMemberIsOneOperationWithItsChanges) {
    prepare();
    db::Database& member = member_door_.database();
    struct Case {
        const char* caption;
        std::function<std::vector<db::Statement>()> before;  // an operation of its own first
        std::function<std::vector<db::Statement>()> change;
        std::vector<std::string> recorded;
    };
    const auto none = [] { return std::vector<db::Statement>{}; };
    const std::vector<Case> cases{
        {"Добавление детали", none,
         [&] {
             db::ItemValues v;
             v.name = "Новый";
             v.quantity = "5";
             v.price = "1.5";
             v.purchase_price = "0";
             v.section_path = "|Все|B|";
             return std::vector{db::insert_item(v)};
         },
         {"Store insert 4 Новый"}},
        {"Изменение детали", none,
         [&] {
             const db::ItemValues old = shown(member, "1");
             db::ItemValues v = old;
             v.name = "R1x";
             v.description = "новое";
             return std::vector{db::update_item(v, old)};
         },
         {"Store update 1 Название:R1→R1x, Описание:описание→новое"}},
        {"Количество", none, [] { return std::vector{db::set_item_quantity("3", "1", "7")}; },
         {"Store update 1 Количество:7→3"}},
        {"Перенос", none, [] { return std::vector{db::set_item_node_path(db::kSectionPath, "|Все|B|", "2")}; },
         {"Store update 2 Путь:|Все|A|→|Все|B|"}},
        {"Вырезание", none, [] { return std::vector{db::park_item("3"), db::delete_stored_item("3")}; },
         {"Temp insert 3 R3", "Store delete 3 R3"}},
        {"Вставка", [] { return std::vector{db::park_item("3"), db::delete_stored_item("3")}; },
         [] {
             return std::vector{db::stamp_parked(db::kSectionPath, "|Все|B|"), db::kReturnParked,
                                db::kDropReturnedParked};
         },
         {"Temp update 3 Путь:|Все|C|→|Все|B|", "Store insert 3 R3", "Temp delete 3 R3"}},
        {"Тип корпуса", none, [] { return std::vector{db::insert_package("SOT-89")}; },
         {"Package insert - SOT-89"}},
        {"Переименование раздела", none, [&] { return std::vector{db::rename_tree_node(node_id("A"), "A2")}; },
         {"Node update " + std::to_string(node_id("A")) + " Имя:A→A2"}},
        {"Удаление", none, [] { return std::vector{db::delete_item("2")}; }, {"Store delete 2 R2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        if (!c.before().empty()) {
            ASSERT_TRUE(run_captioned(member, "Подготовка", c.before()));
        }
        const Rows before = snapshot();
        ASSERT_TRUE(run_captioned(member, c.caption, c.change())) << member.last_diagnostic().text;
        EXPECT_EQ(newest_operation(), member_ + "|" + c.caption + "|");
        EXPECT_EQ(newest_changes(), c.recorded);
        const std::string id = newest_id();
        const db::RevertResult undone = db::revert_operation(member, id);
        ASSERT_EQ(undone.outcome, db::RevertResult::Outcome::done) << undone.reason;
        EXPECT_EQ(newest_operation(), member_ + "|Отмена: " + c.caption + "|" + id);
        EXPECT_EQ(snapshot(), before);
    }

    // Another client as another role: recorded under that role, no
    // caption, and a member takes it back.
    const Rows before = snapshot();
    const std::string script = folder_.file("change.py");
    std::ofstream(script) << "import pyodbc\nc = pyodbc.connect('DSN=" << other_
                          << "')\nc.execute('UPDATE \"Store\" SET \"Количество\" = 9 WHERE \"ID\" = 1')\nc.commit()\n";
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script).c_str()), 0);
    EXPECT_EQ(newest_operation(), other_ + "||");
    ASSERT_EQ(newest_changes().size(), 1u);
    EXPECT_EQ(newest_changes()[0].rfind("Store update 1 Количество:", 0), 0u) << newest_changes()[0];
    const db::RevertResult undone = db::revert_operation(member, newest_id());
    EXPECT_EQ(undone.outcome, db::RevertResult::Outcome::done) << undone.reason;
    EXPECT_EQ(snapshot(), before);

    // The history as the window reads it, filtered and in pages.
    struct Filter {
        db::HistoryFilter filter;
        std::size_t found;
    };
    const auto by = [](auto set) {
        db::HistoryFilter f;
        set(f);
        return f;
    };
    const std::vector<Filter> filters{
        {by([&](db::HistoryFilter& f) { f.who = member_; }), 20},  // nine commands, their undoing, two more
        {by([&](db::HistoryFilter& f) { f.who = other_; }), 1},
        {by([](db::HistoryFilter& f) { f.text = "вставка"; }), 2},
        {by([](db::HistoryFilter& f) { f.item_ids = {"3"}; }), 6},  // seeded, cut, paste, undoing
        {by([](db::HistoryFilter& f) { f.since = "2999-01-01"; }), 0},
        {by([](db::HistoryFilter& f) { f.until = "2000-01-01"; }), 0},
    };
    for (const Filter& f : filters) {
        std::vector<db::OperationRecord> found;
        ASSERT_TRUE(db::read_operations(member, f.filter, found)) << member.last_diagnostic().text;
        EXPECT_EQ(found.size(), f.found) << f.filter.who << f.filter.text;
    }
    std::vector<db::OperationRecord> page, next;
    ASSERT_TRUE(db::read_operations(member, by([](db::HistoryFilter& f) { f.limit = 3; }), page));
    ASSERT_EQ(page.size(), 3u);
    ASSERT_TRUE(db::read_operations(member, by([&](db::HistoryFilter& f) { f.before_id = page[1].id; }), next));
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(next[0].id, page[2].id);
    EXPECT_EQ(page[0].changed.size(), 19u);  // "YYYY-MM-DD HH:MM:SS"
    const std::optional<db::OperationRecord> own = db::last_own_operation(member);
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(own->caption, "Подготовка");  // every later one was taken back

    // A statement that matched no row or changed nothing is no operation.
    const std::string operations = look_.value("SELECT count(*) FROM \"HistoryOperations\"");
    EXPECT_FALSE(member.db_update(db::set_item_quantity("1", "999", "1")));
    member_door_.sql(R"(UPDATE "Store" SET "Количество" = "Количество")");
    EXPECT_EQ(look_.value("SELECT count(*) FROM \"HistoryOperations\""), operations);
}

TEST_F(ServerHistory, OnlyTheTriggersWriteTheHistoryAndOnlyTheOwnerPrunesOrARoleWithTheRightsReverts) {
    prepare();
    Door reader;
    ASSERT_TRUE(reader.open(reader_));
    struct Case {
        Door* door;
        const char* statement;
        bool allowed;
    };
    const std::vector<Case> cases{
        {&reader, R"(SELECT count(*) FROM "History")", true},
        {&reader, R"(SELECT count(*) FROM "HistoryOperations")", true},
        {&member_door_, R"(UPDATE "History" SET "Kind" = 'delete')", false},
        {&member_door_, R"(DELETE FROM "History")", false},
        {&member_door_, R"(DELETE FROM "HistoryOperations")", false},
        {&member_door_, R"(INSERT INTO "HistoryOperations" ("Changed", "Who", "Txn") VALUES ('', 'x', 1))", false},
        {&member_door_, "SELECT public.detalehran_history_operation()", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        db::Database& database = c.door->database();
        const bool done = std::string(c.statement).rfind("SELECT", 0) == 0 ? database.db_query(c.statement)
                                                                           : database.db_update(c.statement);
        database.db_finish();
        EXPECT_EQ(done, c.allowed) << database.last_diagnostic().text;
        if (!c.allowed) {
            EXPECT_EQ(database.last_diagnostic().sqlstate, "42501");
        }
    }

    // Two roles on one item: the earlier change cannot be taken back over
    // the later one, and a reader takes back nothing.
    Door other;
    ASSERT_TRUE(other.open(other_));
    ASSERT_TRUE(run_captioned(member_door_.database(), "Первое", {db::set_item_quantity("3", "1", "7")}));
    const std::string first = newest_id();
    ASSERT_TRUE(run_captioned(other.database(), "Второе", {db::set_item_quantity("4", "1", "3")}));
    const std::string second = newest_id();
    const db::RevertResult blocked = db::revert_operation(member_door_.database(), first);
    EXPECT_EQ(blocked.outcome, db::RevertResult::Outcome::blocked) << blocked.reason;
    EXPECT_EQ(blocked.blocking.id, second);
    EXPECT_EQ(blocked.blocking.who, other_);
    const db::RevertResult refused = db::revert_operation(reader.database(), second);
    EXPECT_EQ(refused.outcome, db::RevertResult::Outcome::refused) << refused.reason;
    // Worded for the user: the refusal, then the server's reason explained.
    const std::string said = db::revert_failure_text(refused);
    EXPECT_TRUE(said.starts_with("нет прав изменять эти данные: Недостаточно прав на сервере")) << said;
    EXPECT_EQ(look_.value(R"(SELECT "Количество" FROM "Store" WHERE "ID" = 1)"), "4");

    // Pruning is the owner's.
    std::uint64_t removed = 0;
    EXPECT_FALSE(db::prune_history(member_door_.database(), "2999-01-01", removed));
    EXPECT_EQ(member_door_.database().last_diagnostic().sqlstate, "42501");
    const std::string operations = look_.value(R"(SELECT count(*) FROM "HistoryOperations")");
    ASSERT_TRUE(db::prune_history(look_.database(), "2999-01-01", removed));
    EXPECT_EQ(std::to_string(removed), operations);
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "History")"), "0");

    // A role that leaves the store no longer reads its history.
    reader.database().close_store();
    std::ostringstream out, err;
    ASSERT_EQ(dbtool::run_command_line({"detalehran-db", "remove-user", "--dsn", "Look", reader_}, out, err), 0)
        << err.str();
    ASSERT_TRUE(reader.open(reader_));
    EXPECT_FALSE(reader.database().db_query(std::string(R"(SELECT count(*) FROM "HistoryOperations")")));
    EXPECT_EQ(reader.database().last_diagnostic().sqlstate, "42501");
}

TEST_F(ServerHistory, AStoreMadeBeforeTheHistoryGainsItAndItsUsersReadIt) {
    prepare();
    // As a store of an earlier version: no tables, functions or triggers.
    look_.sql(R"(DROP TABLE "History", "HistoryOperations")");
    look_.sql("DROP FUNCTION public.detalehran_history_operation()");
    for (const char* table : {"Store", "Package", "Temp", "Node"})
        look_.sql(std::string("DROP FUNCTION public.\"History_") + table + "\"() CASCADE");

    EXPECT_FALSE(db::has_history(member_door_.database()));
    ASSERT_TRUE(run_captioned(member_door_.database(), "Без истории", {db::set_item_quantity("3", "1", "7")}));
    EXPECT_EQ(look_.value(R"(SELECT "Количество" FROM "Store" WHERE "ID" = 1)"), "3");

    std::ostringstream out, err;
    ASSERT_EQ(dbtool::run_command_line({"detalehran-db", "create", "--dsn", "Look"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("история"), std::string::npos) << out.str();
    EXPECT_TRUE(db::has_history(member_door_.database()));
    ASSERT_TRUE(run_captioned(member_door_.database(), "С историей", {db::set_item_quantity("4", "1", "3")}));
    EXPECT_EQ(newest_operation(), member_ + "|С историей|");
    EXPECT_EQ(newest_changes(), std::vector<std::string>{"Store update 1 Количество:3→4"});
    Door reader;
    ASSERT_TRUE(reader.open(reader_));
    EXPECT_EQ(reader.value(R"(SELECT count(*) FROM "HistoryOperations")"), "1");

    // A caption given after the transaction's first change still names it.
    db::Database& member = member_door_.database();
    ASSERT_TRUE(member.begin_transaction());
    EXPECT_TRUE(member.db_update(db::insert_package("SOT-89")));
    EXPECT_TRUE(db::set_operation_caption(member, "Поздняя подпись"));
    EXPECT_TRUE(member.db_update(db::insert_package("SOT-223")));
    ASSERT_TRUE(member.end_transaction(true));
    EXPECT_EQ(newest_operation(), member_ + "|Поздняя подпись|");
    EXPECT_EQ(newest_changes(), (std::vector<std::string>{"Package insert - SOT-89", "Package insert - SOT-223"}));
}

}  // namespace
