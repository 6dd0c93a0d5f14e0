// Attached documents: the chooser, copies into the datasheet folder under
// the item's name, the document following a rename, and failing file work.

#include "editor/editor_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class Documents : public EditorProgram {
protected:
    void SetUp() override {
        start_with_items();
        source_ = folder_.subfolder("docs");
        make_file(source_ + "lm317.pdf", "first");
        make_file(source_ + "other.pdf", "second");
        make_file(source_ + "README", "plain");
    }
    void choose(const std::string& path) {
        services_.file_answers.push_back(QString::fromStdString(path));
        press_control(kEditorAddDocument);
    }
    void add(const QString& name, const std::string& path) {
        open(EditorMode::add);
        type(kEditorName, name);
        pick_place(1);
        choose(path);
        press_ok();
    }
    std::string source_;
};

TEST_F(Documents, NewItemsGetThePlainNameThenTheNumberedOne) {
    add("LM317", source_ + "lm317.pdf");
    const ServiceCall* chooser = services_.last(ServiceKind::choose_file);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->title, "Выберите файл");
    ASSERT_EQ(chooser->filters.size(), 4);
    EXPECT_EQ(chooser->filters[0].caption + chooser->filters[0].pattern, "All files*");
    EXPECT_EQ(chooser->filters[2].caption + chooser->filters[2].pattern, "Document DjView*.djvu");
    add("LM317", source_ + "other.pdf");
    add("X", source_ + "README");
    EXPECT_EQ(read_file(datasheet("LM317.pdf")), "first");
    EXPECT_EQ(read_file(datasheet("LM317_4.pdf")), "second");
    EXPECT_TRUE(file_exists(datasheet("X.")));
    EXPECT_EQ(stored("Datasheet"), (std::vector<std::string>{"a=", "b=", "LM317=LM317.pdf", "LM317=LM317_4.pdf",
                                                             "X=X."}));
    EXPECT_EQ(model().cell(3, db::kDatasheet), "LM317_4.pdf");
}

// Part names often hold "/" ("IRF540/IRF540N"); a name must never lead the
// copy out of the datasheet folder.
TEST_F(Documents, SeparatorsInAnItemsNameStayInsideTheDatasheetFolder) {
    add("IRF540/../../escaped", source_ + "lm317.pdf");
    ASSERT_EQ(window(), nullptr) << last_message().toStdString();
    EXPECT_EQ(stored("Datasheet")[2], "IRF540/../../escaped=IRF540_.._.._escaped.pdf");
    EXPECT_EQ(read_file(datasheet("IRF540_.._.._escaped.pdf")), "first");
    EXPECT_FALSE(file_exists(folder_.file("escaped.pdf")));

    open(EditorMode::edit, 2);
    type(kEditorName, "IRF540/N");
    press_ok();
    EXPECT_EQ(stored("Datasheet")[2], "IRF540/N=IRF540_N.pdf");
    EXPECT_TRUE(file_exists(datasheet("IRF540_N.pdf")));
    EXPECT_FALSE(file_exists(datasheet("IRF540_.._.._escaped.pdf")));
}

TEST_F(Documents, TheDocumentFollowsARenameOfItsLeadingName) {
    add("R1", source_ + "lm317.pdf");
    open(EditorMode::edit, 2);
    type(kEditorName, "R10");
    press_ok();
    EXPECT_TRUE(file_exists(datasheet("R10.pdf")));
    EXPECT_FALSE(file_exists(datasheet("R1.pdf")));
    EXPECT_EQ(stored("Datasheet")[2], "R10=R10.pdf");

    make_file(datasheet("R2.pdf"), "taken");  // the plain new name is taken
    open(EditorMode::edit, 2);
    type(kEditorName, "R2");
    press_ok();
    EXPECT_EQ(stored("Datasheet")[2], "R2=R2_3.pdf");
    EXPECT_EQ(read_file(datasheet("R2.pdf")), "taken");

    sql("UPDATE Store SET Datasheet = '1_15.pdf', \"Название\" = '1' WHERE ID = 1");
    make_file(datasheet("1_15.pdf"), "x");
    click(kPathTree);
    open(EditorMode::edit, 0);
    type(kEditorName, "2");
    press_ok();
    EXPECT_EQ(stored("Datasheet")[0], "2=2_15.pdf");
}

TEST_F(Documents, AFailingRenameKeepsTheOldNameAndAFailingCopyKeepsTheEditorOpen) {
    sql("UPDATE Store SET Datasheet = 'gone.pdf', \"Название\" = 'gone' WHERE ID = 1");
    click(kPathTree);  // by name: b, gone
    open(EditorMode::edit, 1);
    type(kEditorName, "gone2");
    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_TRUE(last_message().contains("gone.pdf"));
    EXPECT_EQ(stored("Datasheet")[0], "gone2=gone.pdf");

    open(EditorMode::edit, 0);
    choose(source_ + "vanished.pdf");
    press_ok();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(last_message().contains("vanished.pdf"));
    EXPECT_EQ(stored("Datasheet")[1], "b=");
}

TEST_F(Documents, CancelledChooserDuplicateAndEscape) {
    add("D", source_ + "lm317.pdf");
    open(EditorMode::duplicate, 2);
    press_ok();
    EXPECT_EQ(stored("Datasheet")[3], "D=D_4.pdf");
    EXPECT_EQ(read_file(datasheet("D_4.pdf")), "first");
    EXPECT_TRUE(file_exists(datasheet("D.pdf")));

    open(EditorMode::edit, 2);
    press_control(kEditorAddDocument);  // cancelled
    EXPECT_TRUE(window()->value(db::kDatasheet).isEmpty());
    press_ok();
    EXPECT_EQ(stored("Datasheet")[2], "D=");
    EXPECT_TRUE(file_exists(datasheet("D.pdf")));

    open(EditorMode::edit, 0);
    choose(source_ + "other.pdf");
    press_control(kEditorCancel);
    EXPECT_FALSE(file_exists(datasheet("a.pdf")));
    EXPECT_EQ(stored("Datasheet")[0], "a=");
}

}  // namespace
