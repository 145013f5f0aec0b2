#include "formats/text_pdf.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>
#include <utility>

namespace corvane {
namespace {

constexpr int kPageWidth = 595, kPageHeight = 842; // A4 in points
constexpr int kFontSize = 8, kLeading = 11;
constexpr int kLeft = 57, kTop = 800, kFooter = 30;

// A PDF literal string: parentheses and backslashes escaped, and every byte outside printable
// ASCII in octal, so the file stays 7-bit apart from its binary marker line.
std::string literal(std::string_view bytes) {
    std::string out = "(";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '(' || c == ')' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (byte < 0x20 || byte >= 0x7F) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", byte);
            out.append(octal);
        } else {
            out.push_back(c);
        }
    }
    out.push_back(')');
    return out;
}

// Objects are numbered in the order they are begun; the cross-reference table lists where each
// "N 0 obj" starts.
class PdfWriter {
public:
    PdfWriter() { out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

    int reserve() { return ++count_; }
    void object(int number, std::string_view body) {
        if (offsets_.size() < static_cast<std::size_t>(number))
            offsets_.resize(static_cast<std::size_t>(number));
        offsets_[static_cast<std::size_t>(number - 1)] = out_.size();
        out_.append(std::to_string(number)).append(" 0 obj\n").append(body).append("\nendobj\n");
    }
    void stream(int number, std::string_view data) {
        std::string body = "<< /Length " + std::to_string(data.size()) + " >>\nstream\n";
        body.append(data).append("\nendstream");
        object(number, body);
    }

    std::string finish(int root, int info) {
        const std::size_t xref = out_.size();
        out_.append("xref\n0 ").append(std::to_string(offsets_.size() + 1)).append("\n");
        out_.append("0000000000 65535 f \n");
        for (const std::size_t offset : offsets_) {
            char entry[24];
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
            out_.append(entry);
        }
        out_.append("trailer\n<< /Size ")
            .append(std::to_string(offsets_.size() + 1))
            .append(" /Root ")
            .append(std::to_string(root))
            .append(" 0 R /Info ")
            .append(std::to_string(info))
            .append(" 0 R >>\nstartxref\n")
            .append(std::to_string(xref))
            .append("\n%%EOF\n");
        return std::move(out_);
    }

private:
    std::string out_;
    std::vector<std::size_t> offsets_;
    int count_ = 0;
};

struct Converter {
    iconv_t cd = iconv_open("CP1252", "UTF-8");
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)))
            iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }
};

// The bytes of the UTF-8 character at the start of `text`, or 1 for a byte that starts none.
std::size_t characterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length > text.size() || lead > 0xF4)
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

} // namespace

std::string toWinAnsi(std::string_view utf8) {
    const Converter converter;
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = characterLength(utf8.substr(at));
        char* from = const_cast<char*>(utf8.data() + at);
        std::size_t fromLeft = length;
        char buffer[8];
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        if (converter.ok()) {
            iconv(converter.cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(converter.cd, &from, &fromLeft, &to, &toLeft) == 0 && fromLeft == 0 &&
                to != buffer) {
                out.append(buffer, static_cast<std::size_t>(to - buffer));
                at += length;
                continue;
            }
        }
        out.push_back('?');
        at += length;
    }
    return out;
}

std::string textPdf(const std::vector<std::string>& lines, std::string_view title) {
    std::vector<std::string> wrapped;
    for (const std::string& line : lines) {
        std::size_t at = 0;
        do {
            wrapped.push_back(line.substr(at, kPdfColumns));
            at += kPdfColumns;
        } while (at < line.size());
    }
    const std::size_t pages =
        wrapped.empty() ? 1 : (wrapped.size() + kPdfLinesPerPage - 1) / kPdfLinesPerPage;

    PdfWriter pdf;
    const int catalog = pdf.reserve(), tree = pdf.reserve(), font = pdf.reserve(),
              info = pdf.reserve();
    std::string kids;
    for (std::size_t p = 0; p < pages; ++p) {
        const int page = pdf.reserve(), contents = pdf.reserve();
        kids.append(std::to_string(page)).append(" 0 R ");
        std::string text = "BT\n/F1 " + std::to_string(kFontSize) + " Tf\n" +
                           std::to_string(kLeading) + " TL\n" + std::to_string(kLeft) + " " +
                           std::to_string(kTop) + " Td\n";
        for (std::size_t i = p * kPdfLinesPerPage;
             i < wrapped.size() && i < (p + 1) * kPdfLinesPerPage; ++i)
            text.append(literal(wrapped[i])).append(" Tj T*\n");
        text.append("ET\nBT\n/F1 ")
            .append(std::to_string(kFontSize))
            .append(" Tf\n")
            .append(std::to_string(kLeft))
            .append(" ")
            .append(std::to_string(kFooter))
            .append(" Td\n")
            .append(literal("Page " + std::to_string(p + 1) + " of " + std::to_string(pages)))
            .append(" Tj\nET");
        pdf.object(page, "<< /Type /Page /Parent " + std::to_string(tree) + " 0 R /MediaBox [0 0 " +
                             std::to_string(kPageWidth) + " " + std::to_string(kPageHeight) +
                             "] /Resources << /Font << /F1 " + std::to_string(font) +
                             " 0 R >> >> /Contents " + std::to_string(contents) + " 0 R >>");
        pdf.stream(contents, text);
    }
    pdf.object(catalog, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
    pdf.object(tree,
               "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    pdf.object(font, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding "
                     "/WinAnsiEncoding >>");
    pdf.object(info, "<< /Title " + literal(title) + " /Producer (Corvane) >>");
    return pdf.finish(catalog, info);
}

} // namespace corvane
