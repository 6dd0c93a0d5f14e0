#include "values/part_match.h"

namespace detalehran::values {

namespace {

// The words of a text outside the spans already read as values or package,
// without the punctuation around them ("0.1uF/50V," leaves nothing).
QStringList rest_words(QStringView text, const ValueList& values, const PackageName& package) {
    QString rest = text.toString();
    auto blank = [&rest](int begin, int end) {
        for (int k = begin; k < end && k < rest.size(); ++k) rest[k] = QLatin1Char(' ');
    };
    for (const Value& value : values) blank(value.begin, value.end);
    if (!package.empty()) blank(package.begin, package.end);
    QStringList words;
    for (QStringView word : QStringView(rest).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        qsizetype first = 0;
        qsizetype last = word.size();
        while (first < last && (word[first].isPunct() || word[first].isSpace() || word[first].isSymbol())) ++first;
        while (last > first && (word[last - 1].isPunct() || word[last - 1].isSpace() || word[last - 1].isSymbol()))
            --last;
        if (last > first) words.append(word.mid(first, last - first).toString());
    }
    return words;
}

bool holds(const ValueList& values, const Value& wanted) {
    for (const Value& value : values) {
        if (same_value(value, wanted)) return true;
    }
    return false;
}

}  // namespace

PartQuery read_query(QStringView text) {
    PartQuery query;
    query.values = read_values(text);
    query.package = read_package(text);
    query.words = rest_words(text, query.values, query.package);
    return query;
}

PartQuery read_query(QStringView value, QStringView footprint, Kinds context) {
    PartQuery query;
    query.values = read_values(value, context != 0 ? context : context_kinds(footprint));
    query.package = read_package(footprint);
    // A value field may name the package too ("100nF 0603"); the footprint's wins.
    PackageName in_value = read_package(value);
    if (query.package.empty()) query.package = in_value;
    query.words = rest_words(value, query.values, in_value);
    return query;
}

bool part_matches(const PartQuery& query, QStringView name, QStringView package) {
    if (!query.by_value()) return false;
    if (!query.values.empty()) {
        const ValueList in_name = read_values(name);
        bool package_read = false;
        ValueList in_package;
        for (const Value& wanted : query.values) {
            if (holds(in_name, wanted)) continue;
            if (!package_read) {
                in_package = read_values(package);
                package_read = true;
            }
            if (!holds(in_package, wanted)) return false;
        }
    }
    if (!query.package.empty() && !(read_package(package) == query.package) && !(read_package(name) == query.package))
        return false;
    for (const QString& word : query.words) {
        if (!name.contains(word, Qt::CaseInsensitive) && !package.contains(word, Qt::CaseInsensitive)) return false;
    }
    return true;
}

}  // namespace detalehran::values
