#include "ui/transponder_edit.h"

#include "image/cdd_limits.h"

#include <QComboBox>
#include <QLineEdit>

namespace corvane {

using namespace Qt::StringLiterals;

TransponderEdit::TransponderEdit(UserPrompts& prompts, QWidget* parent)
    : EditDialog(parent, u"Transponder"_s, 231, 89), prompts_(prompts) {
    addOkCancel(43, 68, 141, 68);
    addLabel(u"Transponder Id:"_s, 8, 9, 53, 8);
    idField_ = addReadOnlyEdit(u"idField"_s, 64, 6, 52, 12);
    addLabel(u"Frenquecy:"_s, 16, 29, 38, 8);
    frequencyField_ = addEdit(u"frequencyField"_s, 64, 27, 51, 12);
    addLabel(u"Symbol Rate:"_s, 15, 49, 40, 8);
    symbolRateField_ = addEdit(u"symbolRateField"_s, 64, 48, 51, 12);
    addLabel(u"Polarity:"_s, 133, 9, 28, 8);
    addLabel(u"FEC Inner:"_s, 128, 29, 36, 8);
    addLabel(u"Antenna Id:"_s, 127, 49, 40, 8);
    antennaIdField_ = addEdit(u"antennaIdField"_s, 173, 46, 47, 14);
    polarityList_ = addList(u"polarityList"_s, {u"H"_s, u"V"_s}, 173, 6, 48);
    fecList_ = addList(u"fecList"_s,
                       {u"AUTO"_s, u"1/2"_s, u"2/3"_s, u"3/4"_s, u"5/6"_s, u"7/8"_s, u"8/9"_s}, 173,
                       26, 48);
}

int TransponderEdit::SetRecord(TransponderRecord* record) {
    record_ = record;
    return 0;
}

void TransponderEdit::fill() {
    if (!record_)
        return;
    idField_->setText(decimalText(record_->id));
    frequencyField_->setText(decimalText(record_->frequency));
    symbolRateField_->setText(decimalText(record_->symbolRate));
    selectPosition(*polarityList_, record_->polarity);
    selectPosition(*fecList_, record_->fec);
    antennaIdField_->setText(decimalText(record_->antennaId));
}

void TransponderEdit::okPressed() {
    if (!record_) {
        reject();
        return;
    }
    // The id field is never editable, so `id` keeps its value.
    TransponderRecord edited = *record_;
    const auto frequency =
        readNumber(*frequencyField_, u"Frequency"_s,
                   bitsRange(cdd::field(&TransponderRecord::frequency).bits), prompts_);
    if (!frequency)
        return;
    const auto symbolRate =
        readNumber(*symbolRateField_, u"Symbol Rate"_s,
                   bitsRange(cdd::field(&TransponderRecord::symbolRate).bits), prompts_);
    if (!symbolRate)
        return;
    const auto antennaId =
        readNumber(*antennaIdField_, u"Antenna Id"_s,
                   bitsRange(cdd::field(&TransponderRecord::antennaId).bits), prompts_);
    if (!antennaId)
        return;
    edited.frequency = *frequency;
    edited.symbolRate = *symbolRate;
    edited.polarity = selectedPosition(*polarityList_);
    edited.fec = selectedPosition(*fecList_);
    edited.antennaId = *antennaId;
    *record_ = edited;
    accept();
}

} // namespace corvane
