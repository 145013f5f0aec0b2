#pragma once
// The list commands open the edit dialogs through this interface, so that tests can answer them
// without a modal window. Each call edits `record` in place and returns true when the user
// confirmed with OK and the record was written; on false the record is as it was, except that
// showing an antenna turns a tuner mask of 0 into 3.

#include "model/records.h"

#include <cstdint>
#include <functional>

class QWidget;

namespace corvane {

class NameCodec;
class UserPrompts;

// Whether a transponder of this id is in the database: a service on none is not saved.
using TransponderExists = std::function<bool(int32_t transponderId)>;

class RecordEditors {
public:
    virtual ~RecordEditors() = default;

    virtual bool editSatellite(QWidget* parent, SatelliteRecord& record) = 0;
    virtual bool editTransponder(QWidget* parent, TransponderRecord& record) = 0;
    virtual bool editService(QWidget* parent, ServiceRecord& record,
                             const TransponderExists& transponderExists) = 0;
    virtual bool editAntenna(QWidget* parent, AntennaRecord& record) = 0;
    // The code page the dialogs show and take names in; Latin-1 when null.
    virtual void setNames(const NameCodec* /*names*/) {}
};

// The real dialogs, run modally.
class DialogRecordEditors final : public RecordEditors {
public:
    explicit DialogRecordEditors(UserPrompts& prompts) : prompts_(prompts) {}

    bool editSatellite(QWidget* parent, SatelliteRecord& record) override;
    bool editTransponder(QWidget* parent, TransponderRecord& record) override;
    bool editService(QWidget* parent, ServiceRecord& record,
                     const TransponderExists& transponderExists) override;
    bool editAntenna(QWidget* parent, AntennaRecord& record) override;
    void setNames(const NameCodec* names) override { names_ = names; }

private:
    UserPrompts& prompts_;
    const NameCodec* names_ = nullptr;
};

} // namespace corvane
