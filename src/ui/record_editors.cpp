#include "ui/record_editors.h"

#include "ui/antenna_edit.h"
#include "ui/satellite_edit.h"
#include "ui/service_edit.h"
#include "ui/transponder_edit.h"

namespace corvane {

namespace {

template <typename Dialog, typename Record> bool runModally(Dialog& dialog, Record& record) {
    dialog.SetRecord(&record);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool DialogRecordEditors::editSatellite(QWidget* parent, SatelliteRecord& record) {
    SatelliteEdit dialog(prompts_, parent);
    dialog.setNames(names_);
    return runModally(dialog, record);
}

bool DialogRecordEditors::editTransponder(QWidget* parent, TransponderRecord& record) {
    TransponderEdit dialog(prompts_, parent);
    return runModally(dialog, record);
}

bool DialogRecordEditors::editService(QWidget* parent, ServiceRecord& record,
                                      const TransponderExists& transponderExists) {
    ServiceEdit dialog(prompts_, parent);
    dialog.setNames(names_);
    dialog.setTransponderCheck(transponderExists);
    return runModally(dialog, record);
}

bool DialogRecordEditors::editAntenna(QWidget* parent, AntennaRecord& record) {
    AntennaEdit dialog(prompts_, parent);
    return runModally(dialog, record);
}

} // namespace corvane
