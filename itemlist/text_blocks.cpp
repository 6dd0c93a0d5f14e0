#include "itemlist/text_blocks.h"

#include <algorithm>

namespace detalehran::itemlist {

char16_t* TextBlocks::room(qsizetype units) {
    // A long text would waste the rest of a block; it gets its own.
    if (units + 1 > kBlockUnits / 16) return nullptr;
    if (block_.d_ptr() == nullptr || used_ + units + 1 > block_.constAllocatedCapacity()) {
        block_ = QString::DataPointer(QTypedArrayData<char16_t>::allocate(kBlockUnits));
        Q_CHECK_PTR(block_.d_ptr());
        used_ = 0;
    }
    return block_.data() + used_;
}

QString TextBlocks::keep(char16_t* start, qsizetype size) {
    // Every QString's text ends in a NUL (utf16() hands it out as such).
    start[size] = u'\0';
    used_ += size + 1;
    block_.d_ptr()->ref();
    return QString(QString::DataPointer(block_.d_ptr(), start, size));
}

QString TextBlocks::from_utf8(std::string_view utf8) {
    const QByteArrayView bytes(utf8.data(), static_cast<qsizetype>(utf8.size()));
    char16_t* start = bytes.isEmpty() ? nullptr : room(decoder_.requiredSpace(bytes.size()));
    if (start == nullptr) return QString::fromUtf8(bytes);
    const QChar* end = decoder_.appendToBuffer(reinterpret_cast<QChar*>(start), bytes);
    return keep(start, reinterpret_cast<const char16_t*>(end) - start);
}

QString TextBlocks::copy(QStringView text) {
    char16_t* start = text.isEmpty() ? nullptr : room(text.size());
    if (start == nullptr) return text.toString();
    std::copy(text.utf16(), text.utf16() + text.size(), start);
    return keep(start, text.size());
}

QStringView TextBlocks::decode(std::string_view utf8) {
    const QByteArrayView bytes(utf8.data(), static_cast<qsizetype>(utf8.size()));
    scratch_.resize(static_cast<std::size_t>(decoder_.requiredSpace(bytes.size())) + 1);
    const QChar* end = decoder_.appendToBuffer(scratch_.data(), bytes);
    return QStringView(scratch_.data(), end - scratch_.data());
}

}  // namespace detalehran::itemlist
