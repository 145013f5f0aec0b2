#include "model/record_name.h"

#include <algorithm>
#include <cstring>

namespace corvane {

void setName(RecordName& name, std::string_view text) {
    name.fill('\0');
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    const std::size_t n = std::min(text.size(), kMaxNameLength);
    std::memcpy(name.data(), text.data(), n);
}

std::string_view nameView(const RecordName& name) {
    const auto* end = std::find(name.begin(), name.end(), '\0');
    return {name.data(), static_cast<std::size_t>(end - name.begin())};
}

} // namespace corvane
