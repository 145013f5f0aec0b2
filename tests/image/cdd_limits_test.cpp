// The table of what a .cdd file keeps must agree with what the writer packs and the reader
// unpacks: every field at the largest value its width holds comes back as it was, without
// touching its neighbours, and one more wraps to what the table says.

#include "image/cdd_file.h"
#include "image/cdd_limits.h"

#include "cdd_test_support.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using testing::smallDatabase;

template <class T> T& only(RecordList<T>& list) {
    return list.front();
}

// Sets one field of the one record of its kind in a small database and reads the file back.
template <class T> void expectEachFieldRoundTrips() {
    for (const cdd::Field<T>& f : cdd::fieldsOf<T>()) {
        SCOPED_TRACE(std::string(f.name));
        for (const int32_t value : {f.max(), f.bits < 32 ? f.max() + 1 : INT32_MIN}) {
            ChannelDatabase db = smallDatabase();
            T& record = only(db.list<T>());
            record.*f.member = value;
            // Ids hang records together; move the links along so the record is still written.
            if constexpr (std::is_same_v<T, SatelliteRecord>)
                db.transponders.front().satelliteId = record.id;
            if constexpr (std::is_same_v<T, TransponderRecord>)
                db.services.front().transponderId = record.id;
            const T expected = [&] {
                T r = record;
                r.*f.member = f.readBack(record);
                return r;
            }();
            const auto encoded = encodeCdd(db);
            if (!encoded.ok()) { // ids the file cannot hold are refused, not cut
                EXPECT_EQ(value, f.max() + 1) << encoded.cause;
                continue;
            }
            ChannelDatabase back;
            ASSERT_TRUE(readCddBytes(back, encoded.value).ok());
            EXPECT_EQ(only(back.list<T>()), expected) << value;
        }
    }
}

TEST(CddLimits, EveryFieldKeepsExactlyTheBitsTheTableGives) {
    expectEachFieldRoundTrips<AntennaRecord>();
    expectEachFieldRoundTrips<SatelliteRecord>();
    expectEachFieldRoundTrips<TransponderRecord>();
    expectEachFieldRoundTrips<ServiceRecord>();
}

} // namespace
} // namespace corvane
