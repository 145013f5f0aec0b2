#include "ui/antenna_edit.h"

#include "image/cdd_limits.h"

#include <QComboBox>
#include <QLineEdit>

namespace corvane {

using namespace Qt::StringLiterals;

namespace {

constexpr int32_t kBothTuners = 3;

} // namespace

AntennaEdit::AntennaEdit(UserPrompts& prompts, QWidget* parent)
    : EditDialog(parent, u"Antenna"_s, 380, 154), prompts_(prompts) {
    const QStringList offOn = QStringList{u"OFF"_s, u"ON"_s};
    const QStringList ports =
        QStringList{u"OFF"_s, u"DiSEqC A"_s, u"DiSEqC B"_s, u"DiSEqC C"_s, u"DiSEqC D"_s};

    addOkCancel(267, 130, 324, 130);
    addLabel(u"Antenna index(8):"_s, 270, 21, 60, 8);
    indexField_ = addReadOnlyEdit(u"indexField"_s, 329, 19, 35, 12);
    addGroupBox(u"Freq"_s, 6, 4, 119, 74);
    addLabel(u"Low Freq:"_s, 16, 20, 33, 8);
    lowFreqField_ = addEdit(u"lowFreqField"_s, 62, 18, 54, 12);
    addLabel(u"High Freq:"_s, 15, 41, 34, 8);
    addLabel(u"Center Freq:"_s, 12, 61, 42, 8);
    highFreqField_ = addEdit(u"highFreqField"_s, 62, 39, 54, 12);
    // The lists set every antenna's band switch frequency to 11700, so it cannot be chosen here.
    centerFreqField_ = addReadOnlyEdit(u"centerFreqField"_s, 62, 60, 54, 12);
    addGroupBox(u"Diseqc 1.0"_s, 8, 90, 118, 55);
    addLabel(u"Toneburst(2):"_s, 15, 106, 46, 8);
    addLabel(u"Committed(4):"_s, 14, 126, 47, 8);
    addGroupBox(u"Diseqc 1.1"_s, 132, 76, 128, 71);
    addLabel(u"Uncommitted(4):"_s, 139, 94, 54, 8);
    addLabel(u"Committed(4):"_s, 142, 113, 47, 8);
    addLabel(u"Repeated Times(2):"_s, 135, 131, 64, 8);
    uncommittedField_ = addReadOnlyEdit(u"uncommittedField"_s, 199, 91, 52, 12);
    addGroupBox(u"LNB"_s, 136, 4, 123, 68);
    addLabel(u"Lnb Type(4):"_s, 145, 19, 42, 8);
    addLabel(u"Lnb Power(2):"_s, 143, 36, 46, 8);
    addLabel(u"Lnb Voltage(2):"_s, 141, 53, 50, 8);
    lnbVoltageField_ = addReadOnlyEdit(u"lnbVoltageField"_s, 192, 53, 59, 12);
    addGroupBox(QString(), 265, 5, 109, 114);
    addLabel(u"Switch22k(1):"_s, 276, 39, 45, 8);
    addLabel(u"Swith12V(1):"_s, 277, 58, 42, 8);
    addLabel(u"Tuner Mask(4):"_s, 274, 74, 50, 8);
    addLabel(u"Diseqc Type(1):"_s, 273, 90, 52, 8);
    addLabel(u"Antenna Key(8):"_s, 272, 105, 54, 8);
    antennaKeyField_ = addReadOnlyEdit(u"antennaKeyField"_s, 329, 103, 35, 12);
    lnbTypeList_ = addList(
        u"lnbTypeList"_s,
        QStringList{u"UNIVERSAL1"_s, u"UNIVERSAL2"_s, u"WIDE_VL"_s, u"WIDE_VL"_s, u"STANDARD"_s},
        191, 16, 62);
    lnbPowerList_ = addList(u"lnbPowerList"_s, offOn, 191, 33, 62);
    toneburstList_ =
        addList(u"toneburstList"_s, QStringList{u"NONE"_s, u"TONE A"_s, u"TONE B"_s}, 61, 102, 58);
    committed10List_ = addList(u"committed10List"_s, ports, 61, 123, 58);
    committed11List_ = addList(u"committed11List"_s, ports, 197, 111, 54);
    repeatedTimesList_ =
        addList(u"repeatedTimesList"_s,
                QStringList{u"NoRepeat"_s, u"OnceRepeat"_s, u"TwiceRepeat"_s}, 198, 129, 54);
    switch22kList_ = addList(u"switch22kList"_s, offOn, 328, 37, 38);
    switch12vList_ = addList(u"switch12vList"_s, QStringList{u"0V"_s, u"12V"_s}, 328, 55, 38);
    tunerMaskList_ =
        addList(u"tunerMaskList"_s, QStringList{u"Tuner 1"_s, u"Tuner 2"_s, u"ALL"_s}, 328, 72, 38);
    diseqcTypeList_ = addList(u"diseqcTypeList"_s, QStringList{u"FALSE"_s, u"TURE"_s}, 328, 87, 38);
}

int AntennaEdit::SetRecord(AntennaRecord* record) {
    record_ = record;
    return 0;
}

void AntennaEdit::fill() {
    if (!record_)
        return;
    lowFreqField_->setText(decimalText(record_->lowFreq));
    highFreqField_->setText(decimalText(record_->highFreq));
    centerFreqField_->setText(decimalText(record_->centerFreq));
    selectPosition(*lnbTypeList_, record_->lnbType);
    selectPosition(*lnbPowerList_, record_->lnbPower);
    lnbVoltageField_->setText(decimalText(record_->lnbVoltage));
    selectPosition(*toneburstList_, record_->toneburst);
    selectPosition(*committed10List_, record_->committed10);
    uncommittedField_->setText(decimalText(record_->uncommitted));
    selectPosition(*committed11List_, record_->committed11);
    selectPosition(*repeatedTimesList_, record_->repeatedTimes);
    indexField_->setText(decimalText(record_->id));
    selectPosition(*switch22kList_, record_->switch22k);
    selectPosition(*switch12vList_, record_->switch12v);
    if (record_->tunerMask == 0)
        record_->tunerMask = kBothTuners;
    const int32_t mask = record_->tunerMask;
    selectPosition(*tunerMaskList_, mask >= 1 && mask <= kBothTuners ? mask - 1 : -1);
    selectPosition(*diseqcTypeList_, record_->diseqcType);
    antennaKeyField_->setText(decimalText(record_->antennaKey));
}

void AntennaEdit::okPressed() {
    if (!record_) {
        reject();
        return;
    }
    // The index, centre frequency, uncommitted, LNB voltage and key fields are never editable, so
    // those fields keep their values; only the key is cut to its low 16 bits.
    const auto lowFreq = readNumber(*lowFreqField_, u"Low Freq"_s,
                                    bitsRange(cdd::field(&AntennaRecord::lowFreq).bits), prompts_);
    if (!lowFreq)
        return;
    const auto highFreq =
        readNumber(*highFreqField_, u"High Freq"_s,
                   bitsRange(cdd::field(&AntennaRecord::highFreq).bits), prompts_);
    if (!highFreq)
        return;
    AntennaRecord& r = *record_;
    r.lowFreq = *lowFreq;
    r.highFreq = *highFreq;
    r.lnbType = selectedPosition(*lnbTypeList_);
    r.lnbPower = selectedPosition(*lnbPowerList_);
    r.toneburst = selectedPosition(*toneburstList_);
    r.committed10 = selectedPosition(*committed10List_);
    r.committed11 = selectedPosition(*committed11List_);
    r.repeatedTimes = selectedPosition(*repeatedTimesList_);
    r.switch22k = selectedPosition(*switch22kList_);
    r.switch12v = selectedPosition(*switch12vList_);
    r.tunerMask = selectedPosition(*tunerMaskList_) + 1;
    r.diseqcType = selectedPosition(*diseqcTypeList_);
    r.antennaKey &= 0xFFFF;
    accept();
}

} // namespace corvane
