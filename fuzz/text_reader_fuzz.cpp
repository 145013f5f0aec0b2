// The text factory-data reader, with the service columns chosen at build time.
#include "base/bytes.h"
#include "formats/text_reader.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#ifndef CORVANE_FUZZ_WITHOUT_ANTENNA_INDEX
#define CORVANE_FUZZ_WITHOUT_ANTENNA_INDEX 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    corvane::TextReadOptions options;
    if (CORVANE_FUZZ_WITHOUT_ANTENNA_INDEX)
        options.serviceColumns = corvane::ServiceColumns::WithoutAntennaIndex;
    corvane::ChannelDatabase db;
    corvane::readTextBytes(db, corvane::asChars({data, size}), options);
    corvane::fuzz::checkCddRoundTrip(db);
    return 0;
}
