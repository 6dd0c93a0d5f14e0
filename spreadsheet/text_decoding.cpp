#include "spreadsheet/text_decoding.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cstdio>

#include "settings/settings_format.h"

namespace detalehran::spreadsheet {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The one byte Windows-1251 leaves without a character.
constexpr char kUndefined1251 = '\x98';

std::string hex_byte(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", value & 0xFFu);
    return buffer;
}

DecodedText refused(int line, std::string reason) {
    DecodedText result;
    result.refusal = Problem{line, std::move(reason)};
    return result;
}

bool is_utf8(std::string_view bytes) {
    // In pieces, so that a large file is not held twice more as UTF-16;
    // the decoder carries a sequence split between pieces over.
    constexpr std::size_t kPiece = 1 << 20;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text;
    for (std::size_t pos = 0; pos < bytes.size(); pos += kPiece) {
        const std::string_view piece = bytes.substr(pos, kPiece);
        // decode() converts only when its result is taken as a QString, and
        // each call sets the error state anew.
        text = decoder.decode(QByteArrayView(piece.data(), static_cast<qsizetype>(piece.size())));
        if (decoder.hasError()) return false;
    }
    // The decoder waits for the rest of a sequence cut off at the end; a
    // line feed after it makes that an error.
    text = decoder.decode(QByteArrayView("\n", 1));
    return !decoder.hasError();
}

// The first control character of UTF-8 text: C0 codes but tab, CR and LF,
// DEL, and the C1 codes U+0080 to U+009F. npos when there is none.
std::size_t first_control_character(std::string_view text, unsigned* code) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F) {
            *code = b;
            return i;
        }
        if (b == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                *code = next;
                return i;
            }
        }
    }
    return std::string_view::npos;
}

bool only_blanks(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

}  // namespace

const char* encoding_name(Encoding encoding) { return encoding == Encoding::utf8 ? "UTF-8" : "Windows-1251"; }

int line_of_offset(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
    }
    return line;
}

DecodedText decode_spreadsheet_text(std::string_view bytes, std::optional<Encoding> forced) {
    if (bytes.empty()) return refused(0, "Файл пуст.");
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        const int line = line_of_offset(bytes, nul);
        return refused(line, "В строке " + std::to_string(line) + " нулевой байт: это не текстовый файл таблицы.");
    }
    const bool marked = bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
    const std::string_view body = marked ? bytes.substr(kByteOrderMark.size()) : bytes;
    const bool utf8 = forced != Encoding::windows_1251 && is_utf8(body);
    const Encoding encoding = forced.value_or(marked || utf8 ? Encoding::utf8 : Encoding::windows_1251);

    DecodedText result;
    result.encoding = encoding;
    if (encoding == Encoding::utf8) {
        if (!utf8) {
            return refused(0, marked && !forced ? "Файл помечен как UTF-8, но в нём есть байты не в UTF-8."
                                                : "Файл не в кодировке UTF-8.");
        }
        result.text.assign(body);
    } else {
        if (const std::size_t bad = bytes.find(kUndefined1251); bad != std::string_view::npos) {
            const int line = line_of_offset(bytes, bad);
            return refused(line, "Файл не в кодировке UTF-8 и не в Windows-1251: в строке " + std::to_string(line) +
                                     " байт 0x98, которого нет в Windows-1251.");
        }
        result.text =
            settings::decode_windows_1251(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())))
                .toStdString();
    }

    unsigned code = 0;
    if (const std::size_t at = first_control_character(result.text, &code); at != std::string_view::npos) {
        const int line = line_of_offset(result.text, at);
        return refused(line, "В строке " + std::to_string(line) + " управляющий символ (код " + hex_byte(code) +
                                 "): это не текстовый файл таблицы.");
    }
    if (only_blanks(result.text)) return refused(0, "Файл пуст.");
    return result;
}

}  // namespace detalehran::spreadsheet
