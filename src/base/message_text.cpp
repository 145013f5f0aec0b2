#include "base/message_text.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace corvane {
namespace {

void appendEscape(std::string& out, unsigned char byte) {
    switch (byte) {
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not one (overlong
// forms, surrogates and values beyond U+10FFFF included).
std::size_t utf8Length(std::string_view text) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    std::size_t length = 0;
    uint32_t low = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, low = 0x80, code = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, low = 0x800, code = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, low = 0x10000, code = lead & 0x07u;
    else
        return 0;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((at(i) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (at(i) & 0x3Fu);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string printableName(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (isControl(byte) || (byte >= 0x80 && byte <= 0x9F))
            appendEscape(out, byte);
        else
            out += c;
    }
    return out;
}

std::string printableText(std::string_view text, std::size_t maxCharacters) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        if (characters == maxCharacters) {
            out += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (isControl(byte))
                appendEscape(out, byte);
            else
                out += text[i];
            ++i;
            continue;
        }
        const std::size_t length = utf8Length(text.substr(i));
        // C1 controls (U+0080 to U+009F) act on terminals like the escape byte does.
        if (length == 0 ||
            (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            appendEscape(out, byte);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

std::string outputTail(std::string_view output, std::size_t width, std::size_t maxCharacters) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!output.empty() && isBlank(output.back()))
        output.remove_suffix(1);
    // Pieces of at most `width` characters, from the last backwards, while they fit.
    std::vector<std::string> pieces;
    std::size_t used = 0;
    bool left = false;
    while (!output.empty() && !left) {
        const std::size_t start =
            output.rfind('\n') == std::string_view::npos ? 0 : output.rfind('\n') + 1;
        std::string_view line = output.substr(start);
        output = output.substr(0, start == 0 ? 0 : start - 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string shown = printableText(line);
        // Where each character starts, then the pieces: broken after a space in the second half
        // of a piece when there is one, so that words stay whole.
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; i < shown.size(); ++i)
            if ((static_cast<unsigned char>(shown[i]) & 0xC0) != 0x80)
                starts.push_back(i);
        starts.push_back(shown.size());
        const std::size_t characters = starts.size() - 1;
        std::vector<std::pair<std::size_t, std::size_t>> lineParts; // first and end character
        for (std::size_t from = 0; from < characters || lineParts.empty();) {
            std::size_t to = std::min(characters, from + width);
            if (to < characters)
                for (std::size_t k = to; k > from + width / 2; --k)
                    if (shown[starts[k - 1]] == ' ') {
                        to = k;
                        break;
                    }
            lineParts.emplace_back(from, to);
            from = to;
        }
        for (auto part = lineParts.rbegin(); part != lineParts.rend(); ++part) {
            const std::size_t size = part->second - part->first;
            if (used + size > maxCharacters) {
                left = true;
                break;
            }
            used += size + 1;
            pieces.push_back(
                shown.substr(starts[part->first], starts[part->second] - starts[part->first]));
        }
    }
    std::string out = left ? "..." : "";
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece)
        out.append(out.empty() ? "" : "\n").append(*piece);
    return out;
}

} // namespace corvane
