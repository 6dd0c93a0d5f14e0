#include "bom_windows/bom_texts.h"

#include <QStringList>
#include <set>

#include "spreadsheet/number_text.h"

namespace detalehran::bom_windows {

namespace {

QString money(__int128 units) { return text_of(spreadsheet::spreadsheet_money_text(units, ',')); }

const bom::Candidate* candidate_of(const bom::CheckLine& line) {
    if (!line.part) return nullptr;
    for (const bom::Candidate& candidate : line.candidates) {
        if (candidate.part == *line.part) return &candidate;
    }
    return nullptr;
}

QString designators(const bom::Bom& bom, const bom::BuildCheck& check, const bom::PickRow& row) {
    return text_of(bom::designators_text(bom.lines[check.lines[row.line].line].designators));
}

}  // namespace

QString place_text(const std::string& path) { return text_of(bom::place_shown(path)); }

bool is_proposal(const bom::CheckLine& line) {
    const bom::Candidate* candidate = candidate_of(line);
    return candidate != nullptr && candidate->kind == bom::MatchKind::value;
}

void choose_part(bom::CheckLine& line, std::optional<std::size_t> part) {
    line.part = part;
    for (bom::Candidate& candidate : line.candidates) {
        if (part && candidate.part == *part) candidate.kind = bom::MatchKind::chosen;
    }
}

std::size_t confirm_proposals(bom::BuildCheck& check) {
    std::size_t confirmed = 0;
    for (bom::CheckLine& line : check.lines) {
        if (!is_proposal(line)) continue;
        choose_part(line, line.part);
        ++confirmed;
    }
    return confirmed;
}

std::size_t count_proposals(const bom::BuildCheck& check) {
    std::size_t n = 0;
    for (const bom::CheckLine& line : check.lines) n += is_proposal(line) ? 1 : 0;
    return n;
}

QString line_marks(const bom::CheckLine& line) {
    QStringList marks;
    if (!line.part) {
        marks << QString::fromUtf8(bom::kNotInStock);
    } else if (line.shortfall > 0) {
        marks << QStringLiteral("не хватает %1").arg(line.shortfall);
    }
    if (line.below_minimum) marks << QStringLiteral("останется меньше минимума");
    if (is_proposal(line)) marks << QStringLiteral("предложено по номиналу");
    return marks.join(QStringLiteral("; "));
}

QString totals_text(const bom::BuildCheck& check) {
    QString text = QStringLiteral(
                       "Найдено на складе строк: %1 из %2; нет на складе: %3; не хватает деталей по "
                       "строкам: %4.\nДеталей нужно: %5, не хватает: %6.\n")
                       .arg(check.matched)
                       .arg(check.lines.size())
                       .arg(check.missing)
                       .arg(check.short_lines)
                       .arg(check.needed)
                       .arg(check.shortfall);
    text += QStringLiteral("Стоимость деталей одной платы: %1, плат %2: %3")
                .arg(money(check.board_cost))
                .arg(check.boards)
                .arg(money(check.total_cost));
    if (check.unpriced > 0) {
        text += QStringLiteral(" (без строк, у которых нет детали или цены: %1)").arg(check.unpriced);
    }
    return text + QLatin1Char('.');
}

TakeCount take_count(const bom::BuildCheck& check) {
    TakeCount count;
    std::set<std::size_t> parts;
    for (const bom::CheckLine& line : check.lines) {
        if (!line.part || line.take <= 0) continue;
        parts.insert(*line.part);
        count.pieces += line.take;
    }
    count.parts = static_cast<long long>(parts.size());
    return count;
}

QString pick_list_html(const bom::Bom& bom, const bom::BuildCheck& check, const bom::StockIndex& stock,
                       const std::vector<bom::PickRow>& rows) {
    QString html = QStringLiteral("<h3>Сборка %1 × %2: что взять, по местам хранения</h3>")
                       .arg(text_of(bom.name).toHtmlEscaped())
                       .arg(check.boards);
    html += QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr><th>Расположение</th><th>ID</th>"
        "<th>Название</th><th>Взять</th><th>Обозначения</th></tr>");
    for (const bom::PickRow& row : rows) {
        const bom::StockPart& part = stock.parts()[row.part];
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td align=\"right\">%4</td><td>%5</td></tr>")
                    .arg(place_text(part.place).toHtmlEscaped(), text_of(part.id).toHtmlEscaped(),
                         text_of(part.name).toHtmlEscaped(), QString::number(row.take),
                         designators(bom, check, row).toHtmlEscaped());
    }
    html += QStringLiteral("</table>");
    const TakeCount count = take_count(check);
    html += QStringLiteral("<p>Деталей: %1, штук: %2.").arg(count.parts).arg(count.pieces);
    if (check.short_lines > 0) {
        html += QStringLiteral(" Не хватает %1 шт. в строках: %2 (нет на складе: %3).")
                    .arg(check.shortfall)
                    .arg(check.short_lines)
                    .arg(check.missing);
    }
    return html + QStringLiteral("</p>");
}

}  // namespace detalehran::bom_windows
