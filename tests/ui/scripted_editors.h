#pragma once
// RecordEditors for tests: each edit takes the next answer queued for its record kind, which
// changes the record and says OK, or says Cancel. The records as the dialogs were handed them
// are kept, so tests see the presets. An edit nobody expected fails the test.

#include "ui/record_editors.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace corvane::test {

template <class Record> struct EditorScript {
    std::deque<std::function<bool(Record&)>> answers;
    std::vector<Record> shown;

    bool edit(Record& record) {
        shown.push_back(record);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected edit dialog";
            return false;
        }
        const auto answer = answers.front();
        answers.pop_front();
        return answer(record);
    }
    // Queues OK with the record changed by `change`.
    void ok(std::function<void(Record&)> change = {}) {
        answers.push_back([change](Record& r) {
            if (change)
                change(r);
            return true;
        });
    }
    void cancel() {
        answers.push_back([](Record&) { return false; });
    }
};

class ScriptedEditors final : public RecordEditors {
public:
    EditorScript<SatelliteRecord> satellites;
    EditorScript<TransponderRecord> transponders;
    EditorScript<ServiceRecord> services;
    EditorScript<AntennaRecord> antennas;

    bool editSatellite(QWidget*, SatelliteRecord& r) override { return satellites.edit(r); }
    bool editTransponder(QWidget*, TransponderRecord& r) override { return transponders.edit(r); }
    bool editService(QWidget*, ServiceRecord& r, const TransponderExists&) override {
        return services.edit(r);
    }
    bool editAntenna(QWidget*, AntennaRecord& r) override { return antennas.edit(r); }
};

} // namespace corvane::test
