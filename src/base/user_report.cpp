#include "base/user_report.h"

#include "base/message_text.h"

namespace corvane {

std::string UserReport::lines() const {
    std::string out;
    for (const std::string& text : texts)
        out.append(text).push_back('\n');
    if (!where.empty())
        out.append(where).push_back('\n');
    return out;
}

UserReport userReport(const Messages& messages, std::string_view detail) {
    return {messages, detail.empty() ? std::string() : printableText(detail)};
}

} // namespace corvane
