#include "block_json.h"

#include "formats/database_json.h"

#include <cstdio>

namespace corvane::cli {
namespace {

std::string hex32(uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

nlohmann::ordered_json blockInfoToJson(const BlockHeaderInfo& info) {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["magic"] = latin1ToUtf8(info.magic);
    out["tagA"] = latin1ToUtf8(info.tagA);
    out["tagB"] = latin1ToUtf8(info.tagB);
    out["tagC"] = latin1ToUtf8(info.tagC);
    out["tagD"] = latin1ToUtf8(info.tagD);
    out["tagDInverted"] = info.tagDInverted;
    out["tagE"] = latin1ToUtf8(info.tagE);
    out["tagF"] = latin1ToUtf8(info.tagF);
    out["dataType"] = info.dataType;
    if (info.dataTypeName.empty())
        out["dataTypeName"] = nullptr;
    else
        out["dataTypeName"] = std::string(info.dataTypeName);
    out["payloadLength"] = info.storedPayloadLength;
    out["payloadBytes"] = info.actualPayloadLength;
    out["payloadLengthMatches"] = info.payloadLengthMatches();
    out["headerChecksum"] = hex32(info.storedHeaderChecksum);
    out["headerChecksumComputed"] = hex32(info.computedHeaderChecksum);
    out["headerChecksumMatches"] = info.headerChecksumMatches();
    out["payloadChecksum"] = hex32(info.storedPayloadChecksum);
    out["payloadChecksumComputed"] = hex32(info.computedPayloadChecksum);
    out["payloadChecksumMatches"] = info.payloadChecksumMatches();
    return out;
}

} // namespace corvane::cli
