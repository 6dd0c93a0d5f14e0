#include "datasheet_pdf.h"

#include <cstdio>

namespace detalehran::dbtool {

namespace {

std::string pdf_string(std::string_view text) {
    std::string out = "(";
    for (const char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    out += ')';
    return out;
}

}  // namespace

std::string make_datasheet_pdf(std::string_view title, const std::vector<std::string>& lines) {
    std::string content = "BT /F1 20 Tf 72 770 Td " + pdf_string(title) + " Tj ET\n";
    int y = 735;
    for (const std::string& line : lines) {
        if (line.empty()) {
            y -= 16;
            continue;
        }
        content += "BT /F1 11 Tf 72 " + std::to_string(y) + " Td " + pdf_string(line) + " Tj ET\n";
        y -= 16;
    }
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> "
        "/Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
    };
    // The binary comment line tells transfer tools not to treat the file as text.
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    int number = 1;
    for (const std::string& body : objects) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(number++) + " 0 obj\n" + body + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace detalehran::dbtool
