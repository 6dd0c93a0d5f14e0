#pragma once
// Texts of the item list's cells, many to one heap block. A list of a
// hundred thousand parts holds about a million texts: one allocation each
// made filling and emptying the list cost as much as reading it. A text made
// here is an ordinary QString whose characters lie in a large shared block;
// the block is reference-counted like any QString data, so it lives while
// any of its texts does, and copying, changing or destroying a text behaves
// as for every other QString.

#include <QString>
#include <QStringDecoder>
#include <string_view>
#include <vector>

namespace detalehran::itemlist {

class TextBlocks {
public:
    // The text of UTF-8 bytes, decoded exactly as QString::fromUtf8 does.
    QString from_utf8(std::string_view utf8);
    // A copy of UTF-16 text.
    QString copy(QStringView text);
    // The UTF-8 bytes decoded into a scratch buffer that the next call of
    // decode() reuses: for a text that is cut before it is kept.
    QStringView decode(std::string_view utf8);

private:
    // Where `units` characters and the terminator fit, or null for a text
    // too long to share a block.
    char16_t* room(qsizetype units);
    QString keep(char16_t* start, qsizetype size);

    static constexpr qsizetype kBlockUnits = 32 * 1024;
    QStringDecoder decoder_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QString::DataPointer block_;
    qsizetype used_ = 0;
    std::vector<QChar> scratch_;
};

}  // namespace detalehran::itemlist
