#include "ui/satellite_edit.h"

#include "ui/prompts.h"
#include "ui/scan_decimal.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace corvane {

using namespace Qt::StringLiterals;

namespace {

// Positions up to 180.0 degrees east are stored as they are; west ones as 3600 minus them.
constexpr int32_t kHalfCircle = 1800;
constexpr int32_t kFullCircle = 3600;

} // namespace

SatelliteEdit::SatelliteEdit(UserPrompts& prompts, QWidget* parent)
    : EditDialog(parent, u"Satellite"_s, 191, 84), prompts_(prompts) {
    addOkCancel(28, 66, 109, 66);
    nameField_ = addEdit(u"nameField"_s, 63, 29, 120, 14);
    addLabel(u"Satellite Name:"_s, 6, 32, 49, 8);
    addLabel(u"Longitude:"_s, 11, 51, 35, 8);
    longitudeField_ = addEdit(u"longitudeField"_s, 63, 48, 81, 12);
    // Typing and pasting are refused alike for anything but digits.
    longitudeField_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[0-9]*"_s), longitudeField_));
    addLabel(u"Satellite Index:"_s, 8, 12, 50, 8);
    indexField_ = addReadOnlyEdit(u"indexField"_s, 63, 9, 120, 14);
    westBox_ = addCheckBox(u"westBox"_s, u"West"_s, 151, 51, 33, 10);
}

int SatelliteEdit::SetRecord(SatelliteRecord* record) {
    record_ = record;
    return 0;
}

void SatelliteEdit::fill() {
    if (!record_)
        return;
    indexField_->setText(decimalText(record_->id));
    showName(*nameField_, record_->name, names());
    const bool west = record_->longitude > kHalfCircle;
    westBox_->setChecked(west);
    longitudeField_->setText(
        decimalText(west ? kFullCircle - record_->longitude : record_->longitude));
}

void SatelliteEdit::okPressed() {
    if (!record_) {
        reject();
        return;
    }
    // An empty field holds no position; it is refused like one out of range rather than taken as
    // "keep the old one", which the West box could silently turn into another position.
    const std::optional<int64_t> shown =
        wholeDecimal(longitudeField_->text().left(kFieldTextLength));
    if (!shown || *shown < 0 || *shown > kHalfCircle) {
        prompts_.message(this, MessageIcon::None, u"Longitude error(in range 0 - 1800)!"_s);
        focusForCorrection(longitudeField_);
        return;
    }
    if (nameField_->text().isEmpty()) {
        prompts_.message(this, MessageIcon::None, u"Satellite Name cannot be empty!!"_s);
        focusForCorrection(nameField_);
        return;
    }
    SatelliteRecord edited = *record_;
    const auto position = static_cast<int32_t>(*shown);
    edited.longitude = westBox_->isChecked() ? kFullCircle - position : position;
    if (!storeName(*nameField_, edited.name, prompts_, names()))
        return;
    *record_ = edited;
    accept();
}

} // namespace corvane
