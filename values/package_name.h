#pragma once
// The normal form of a package or footprint text: the imperial chip size
// ("0805" from "R_0805_2012Metric", "2012" or "0805") or the usual outline
// name ("SOIC-8" from "SO8", "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm"; "SMA"
// from "DO-214AC"). Pure: no windows, no database.

#include <QString>
#include <QStringView>
#include <array>
#include <string_view>

namespace detalehran::values {

// A normal form: a short ASCII name, empty when the text names no package
// known here. Kept inline, so that reading one costs no allocation.
class PackageName {
public:
    static constexpr int kCapacity = 15;

    PackageName() = default;
    explicit PackageName(std::string_view text);

    bool empty() const { return size_ == 0; }
    std::string_view view() const { return {text_.data(), size_}; }
    QString to_string() const { return QString::fromLatin1(text_.data(), static_cast<qsizetype>(size_)); }
    bool operator==(const PackageName& other) const { return view() == other.view(); }

    // Where it was read from in its text (UTF-16 units).
    int begin = 0;
    int end = 0;

private:
    std::array<char, kCapacity> text_{};
    std::size_t size_ = 0;
};

// The first package the text names, or an empty name.
PackageName read_package(QStringView text);

}  // namespace detalehran::values
