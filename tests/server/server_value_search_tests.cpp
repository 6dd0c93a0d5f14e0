// The search by value on a PostgreSQL server: the same rule as on a file,
// the server's own pattern test letting the candidates through and the
// program keeping those that match.

#include <QLineEdit>
#include <sstream>

#include "command_line.h"
#include "server/server_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class ServerValueSearch : public ServerProgram {};

TEST_F(ServerValueSearch, FindsByNameFirstThenByValueAsOnAFile) {
    create_store();
    seed({{"Резистор 4K7", "|Все|A|", "|Все|Шкаф|"},
          {"Резистор 4,7 кОм 0805", "|Все|A|", "|Все|Шкаф|"},
          {"Резистор 47 кОм", "|Все|A|", "|Все|Шкаф|"},
          {"Резистор 4700 Ом", "|Все|A|", "|Все|Шкаф|"},
          {"Конденсатор 0,1 мкФ 50 В [X7R]", "|Все|B|", "|Все|Стол|"},
          {"Конденсатор 100 нФ 25 В", "|Все|B|", "|Все|Стол|"},
          {"Стабилизатор LM317T", "|Все|B|", "|Все|Стол|"}});
    start();
    ASSERT_EQ(messages(), 0) << last_message().toStdString();
    auto search = [this](const char* text) {
        app_.main_window->search_field()->setText(QString::fromUtf8(text));
        itemlist::search_by_name(app_, Event{});
        return listed();
    };
    EXPECT_EQ(search("4k7"), (QStringList{"Резистор 4K7", "Резистор 4,7 кОм 0805", "Резистор 4700 Ом"}));
    EXPECT_EQ(search("100n 50V"), (QStringList{"Конденсатор 0,1 мкФ 50 В [X7R]"}));
    EXPECT_EQ(search("LM317 SOT-23"), (QStringList{"Стабилизатор LM317T"}));
    EXPECT_EQ(search("470"), (QStringList{"Резистор 4700 Ом"}));

    // The tool, through the same data source.
    std::ostringstream out, err;
    EXPECT_EQ(dbtool::run_command_line({"detalehran-db", "search", "--dsn", "Store", "4k7 SOT-23"}, out, err), 0)
        << err.str();
    EXPECT_NE(out.str().find("\tРезистор 4,7 кОм 0805\tSOT-23\t7\t|Все|Шкаф|\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Найдено деталей: 3\n"), std::string::npos) << out.str();
}

}  // namespace
