// The list's cell texts share heap blocks, yet each must behave as a QString
// of its own: the same text as QString::fromUtf8 gives, ended by a NUL, and
// untouched by what happens to its neighbours or to the blocks' maker.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "itemlist/text_blocks.h"
#include "itemlist/text_rules.h"

using detalehran::itemlist::TextBlocks;

namespace {

void expect_ended_by_nul(const QString& text) { EXPECT_EQ(text.utf16()[text.size()], 0) << text.toStdString(); }

TEST(TextBlocks, DecodesAsFromUtf8Does) {
    const std::vector<std::string> inputs = {
        "", "R1", "Резистор 10 кОм", "\xEF\xBB\xBF" "BOM first", "BOM \xEF\xBB\xBF inside", "broken \xD0",
        "\xFF\xFE not UTF-8", "\xED\xA0\x80 surrogate", "emoji \xF0\x9F\x98\x80", std::string("NUL\0inside", 10),
        std::string(5000, 'x') + "Ж"};  // longer than a block shares
    TextBlocks blocks;
    for (const std::string& input : inputs) {
        const QString expected = QString::fromUtf8(input.data(), static_cast<qsizetype>(input.size()));
        const QString made = blocks.from_utf8(input);
        EXPECT_EQ(made, expected) << input;
        EXPECT_EQ(made.isNull(), expected.isNull()) << input;
        EXPECT_EQ(blocks.decode(input), expected) << input;
        EXPECT_EQ(blocks.copy(expected), expected) << input;
        if (!made.isNull()) expect_ended_by_nul(made);
    }
    EXPECT_EQ(blocks.copy(detalehran::itemlist::price_shown(blocks.decode(".0000"))), "0.00");
}

TEST(TextBlocks, TextsOutliveTheMakerAndStayApartFromTheirNeighbours) {
    std::vector<QString> texts;
    {
        TextBlocks blocks;
        // Enough for several blocks.
        for (int i = 0; i < 40000; ++i) texts.push_back(blocks.from_utf8("деталь " + std::to_string(i)));
    }
    texts[0] += QString::fromUtf8(" и ещё");
    texts[1].replace(0, 6, "part");
    QString copy = texts[2];
    copy[0] = u'Д';
    // The last holder of a block may change its text in place.
    QString alone;
    {
        TextBlocks blocks;
        const QString before = blocks.from_utf8("до");
        alone = blocks.from_utf8("один");
        const QString after = blocks.from_utf8("после");
    }
    alone.append(QString(3000, u'z'));

    EXPECT_EQ(texts[0], QString::fromUtf8("деталь 0 и ещё"));
    EXPECT_EQ(texts[1], QString::fromUtf8("part 1"));
    EXPECT_EQ(texts[2], QString::fromUtf8("деталь 2"));
    EXPECT_EQ(copy, QString::fromUtf8("Деталь 2"));
    EXPECT_EQ(alone, QString::fromUtf8("один") + QString(3000, u'z'));
    expect_ended_by_nul(alone);
    for (int i = 3; i < static_cast<int>(texts.size()); ++i) {
        ASSERT_EQ(texts[static_cast<std::size_t>(i)], QString::fromUtf8("деталь %1").arg(i));
    }
    for (const QString& text : texts) expect_ended_by_nul(text);
}

}  // namespace
