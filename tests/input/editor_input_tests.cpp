// Hostile and odd texts typed into the item editor's text fields and saved
// with "ОК", for a new item and for an edit: each is stored exactly as the
// field holds it, read back the same by the list and by SQLite, and reaches
// the database only as the value of its own literal in the one intended
// statement.

#include <algorithm>

#include "support/statement_trace.h"
#include "input/input_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

struct EditorField {
    const char* name;
    int control;
    int column;
    const char* stored_column;
    bool combo;
};

const EditorField kFields[] = {
    {"Name", kEditorName, db::kName, "Название", false},
    {"Description", kEditorDescription, db::kDescription, "Описание", false},
    {"Supplier", kEditorSupplier, db::kSupplier, "Поставщик", true},
    {"Package", kEditorPackage, db::kPackage, "Тип корпуса", true},
};

const QString kPlain = QStringLiteral("plain");

class EditorInput : public InputProgram {
protected:
    void SetUp() override {
        start_with_items();
        trace_statements();
    }
    // Every hostile text into this field of a new item, then of item 1.
    void add_with_every_text(int field);
    void edit_with_every_text(int field);
    const EditorField& under_test() const { return kFields[field_]; }
    void put(const QString& text) {
        if (under_test().combo) {
            set_combo(under_test().control, text);
        } else {
            put_text(field(under_test().control), text);
        }
    }
    // Every other text field gets a fixed value, the same for every input.
    void fill_the_other_fields() {
        for (const EditorField& other : kFields) {
            if (other.control == under_test().control) continue;
            const QString value = QString::fromUtf8(other.name) + " fixed";
            if (other.combo) {
                set_combo(other.control, value);
            } else {
                put_text(field(other.control), value);
            }
        }
    }
    std::string stored_text(int id) const {
        const Rows found = rows(std::string("SELECT \"") + under_test().stored_column + "\" FROM Store WHERE ID = " +
                                std::to_string(id));
        return found.size() == 1 ? found[0][0] : "<no row " + std::to_string(id) + ">";
    }
    int row_of_id(int id) const {
        for (int r = 0; r < model().row_count(); ++r) {
            if (model().cell(r, db::kId) == QString::number(id)) return r;
        }
        return -1;
    }
    // What the list shows for the item once it is read again from the
    // database: the root section lists every item.
    QString listed_after_reading(int id) {
        select(kPathTree, 0);
        click(kPathTree);
        take_statements();
        const int row = row_of_id(id);
        return row < 0 ? QStringLiteral("<not listed>") : model().cell(row, under_test().column);
    }
    // The statements the plain value gave, with every "plain" literal
    // replaced by the text: what the same command must send for the text.
    static std::vector<StatementShape> expected_for(const std::vector<TracedStatement>& plain_run, const QString& text,
                                                    const QString& package) {
        std::vector<StatementShape> out;
        for (const TracedStatement& s : plain_run) {
            StatementShape shape = shape_of(s);
            // An empty type of package is no type: it is not added to the list.
            const bool package_list = shape.skeleton.rfind("INSERT INTO [Package]", 0) == 0;
            if (package_list && package.isEmpty()) continue;
            for (std::string& literal : shape.literals) {
                if (literal == kPlain.toStdString()) literal = text.toStdString();
            }
            out.push_back(std::move(shape));
        }
        return out;
    }
    static std::vector<StatementShape> shapes(const std::vector<TracedStatement>& statements) {
        std::vector<StatementShape> out;
        for (const TracedStatement& s : statements) out.push_back(shape_of(s));
        return out;
    }
    static Rows sorted(Rows rows) {
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // The Package rows expected after an item with this type was saved.
    static Rows packages_after(Rows before, const QString& type) {
        bool listed = type.isEmpty();
        for (const auto& row : before) {
            listed = listed || QString::fromStdString(row[0]).compare(type, Qt::CaseInsensitive) == 0;
        }
        if (!listed) before.push_back({type.toStdString()});
        return sorted(before);
    }

    // Puts the text into the field under test and presses ОК: the editor
    // closes without a message, and the statements sent are those of the
    // plain value (whose skeletons the first run checks) with the text in
    // its place. Returns the package type the item was saved with.
    QString save_with(const QString& text, std::vector<TracedStatement>& plain_run,
                      const std::vector<std::string>& plain_skeletons) {
        put(text);
        EXPECT_EQ(window()->value(under_test().column), text);  // the field holds the text whole
        const QString package = window()->value(db::kPackage);
        take_statements();
        const int messages_before = messages();
        press_ok();
        const std::vector<TracedStatement> sent = take_statements();
        EXPECT_EQ(window(), nullptr) << last_message().toStdString();
        EXPECT_EQ(messages(), messages_before);
        if (plain_run.empty()) {
            plain_run = sent;
            EXPECT_EQ(skeletons(sent), plain_skeletons);
        }
        EXPECT_EQ(shapes(sent), expected_for(plain_run, text, package));
        return package;
    }

    int field_ = 0;
};

}  // namespace

void EditorInput::add_with_every_text(int field) {
    field_ = field;
    select(kPathTree, 1);
    select(kLocationTree, 1);
    std::vector<TracedStatement> plain_run;
    int next_id = 3;
    std::vector<HostileText> texts{{"plain", kPlain}};
    texts.insert(texts.end(), hostile_texts().begin(), hostile_texts().end());
    for (const HostileText& input : texts) {
        SCOPED_TRACE(input.label);
        const DatabaseSnapshot before = snapshot();
        open(EditorMode::add);
        ASSERT_NE(window(), nullptr);
        fill_the_other_fields();
        const QString package = save_with(
            input.text, plain_run,
            {"INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],"
             "[Цена приходная],[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES (?,?,?,?,?,?,?,?,?,?)",
             db::kSelectNewId, "INSERT INTO [Package] Values(?)"});
        if (HasFailure()) return;

        const int id = next_id++;
        EXPECT_EQ(stored_text(id), input.text.toStdString());
        const DatabaseSnapshot after = snapshot();
        EXPECT_EQ(after.schema, before.schema);
        EXPECT_EQ(after.temp, before.temp);
        ASSERT_EQ(after.store.size(), before.store.size() + 1);
        EXPECT_TRUE(std::equal(before.store.begin(), before.store.end(), after.store.begin()));
        EXPECT_EQ(sorted(after.package), packages_after(before.package, package));

        const int row = row_of_id(id);
        ASSERT_GE(row, 0);
        EXPECT_EQ(model().cell(row, under_test().column), input.text);
        EXPECT_EQ(listed_after_reading(id), input.text);
        select(kPathTree, 1);
    }
}

void EditorInput::edit_with_every_text(int field) {
    field_ = field;
    std::vector<TracedStatement> plain_run;
    std::vector<HostileText> texts{{"plain", kPlain}};
    texts.insert(texts.end(), hostile_texts().begin(), hostile_texts().end());
    const std::string seeded = stored_text(1);
    for (const HostileText& input : texts) {
        SCOPED_TRACE(input.label);
        // Every save starts from the item as seeded: an edit names the values
        // it replaces, so the statements differ only by the text put in.
        sql(std::string("UPDATE Store SET \"") + under_test().stored_column +
            "\" = " + detalehran::testing::sql_literal(seeded) + " WHERE ID = 1");
        listed_after_reading(1);
        const DatabaseSnapshot before = snapshot();
        open(EditorMode::edit, row_of_id(1));
        ASSERT_NE(window(), nullptr);
        ASSERT_EQ(window()->value(db::kId), "1");
        const QString package = save_with(
            input.text, plain_run,
            {"UPDATE [Store] SET [Название]=?,[Описание]=?,[Тип корпуса]=?,[Расположение]=?,[Количество]=?,"
             "[Цена расходная]=?,[Цена приходная]=?,[Поставщик]=?, [Datasheet]=? WHERE [ID] = ?"
             " AND [Название] = ? AND [Описание] = ? AND [Тип корпуса] = ? AND [Расположение] = ?"
             " AND [Количество] = ? AND [Цена расходная] >= ? AND [Цена расходная] < ?"
             " AND [Цена приходная] >= ? AND [Цена приходная] < ? AND [Поставщик] = ?"
             " AND ([Datasheet] = ? OR [Datasheet] IS NULL)",
             "INSERT INTO [Package] Values(?)"});
        if (HasFailure()) return;

        EXPECT_EQ(stored_text(1), input.text.toStdString());
        const DatabaseSnapshot after = snapshot();
        EXPECT_EQ(after.schema, before.schema);
        EXPECT_EQ(after.temp, before.temp);
        ASSERT_EQ(after.store.size(), 2u);
        EXPECT_EQ(after.store[1], before.store[1]);  // the other item
        for (std::size_t c = 0; c < after.store[0].size(); ++c) {
            if (static_cast<int>(c) != under_test().column) {
                EXPECT_EQ(after.store[0][c], before.store[0][c]) << c;
            }
        }
        EXPECT_EQ(sorted(after.package), packages_after(before.package, package));

        EXPECT_EQ(model().cell(row_of_id(1), under_test().column), input.text);
        EXPECT_EQ(listed_after_reading(1), input.text);
    }
}

// Each field alone, so that a failure names the field.
TEST_F(EditorInput, NameOfANewItem) { add_with_every_text(0); }
TEST_F(EditorInput, DescriptionOfANewItem) { add_with_every_text(1); }
TEST_F(EditorInput, SupplierOfANewItem) { add_with_every_text(2); }
TEST_F(EditorInput, PackageOfANewItem) { add_with_every_text(3); }
TEST_F(EditorInput, NameOfAnEditedItem) { edit_with_every_text(0); }
TEST_F(EditorInput, DescriptionOfAnEditedItem) { edit_with_every_text(1); }
TEST_F(EditorInput, SupplierOfAnEditedItem) { edit_with_every_text(2); }
TEST_F(EditorInput, PackageOfAnEditedItem) { edit_with_every_text(3); }

// The database takes texts of any length, and so do the editor's fields: a
// paste far beyond a line edit's usual 32767 characters is kept whole in the
// field and stored as shown.
TEST_F(EditorInput, ATextLongerThanALineEditsUsualLimitIsKeptAndStoredAsShown) {
    QString pasted;
    while (pasted.size() < 40000) pasted += QString::fromUtf8("Ж'%_[");
    open(EditorMode::edit, row_of_id(1));
    ASSERT_NE(window(), nullptr);
    QLineEdit* name = field(kEditorName);
    name->selectAll();
    name->insert(pasted);
    const QString shown = name->text();
    EXPECT_EQ(shown, pasted);
    press_ok();
    ASSERT_EQ(window(), nullptr);
    EXPECT_EQ(rows("SELECT \"Название\" FROM Store WHERE ID = 1"), (Rows{{shown.toStdString()}}));
    EXPECT_EQ(model().cell(row_of_id(1), db::kName), shown);
    EXPECT_EQ(messages(), 0);
}
