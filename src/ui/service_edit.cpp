#include "ui/service_edit.h"

#include "image/cdd_limits.h"
#include "ui/prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace corvane {

using namespace Qt::StringLiterals;

namespace {

constexpr int32_t kFavoriteGroups = 8;

// The list shows one group: the lowest one set, or "NoFav" (entry 0).
int32_t favoriteEntry(int32_t favorites) {
    for (int32_t k = 0; k < kFavoriteGroups; ++k)
        if (favorites & (1 << k))
            return k + 1;
    return 0;
}

} // namespace

ServiceEdit::ServiceEdit(UserPrompts& prompts, QWidget* parent)
    : EditDialog(parent, u"Service"_s, 210, 115), prompts_(prompts) {
    addOkCancel(33, 97, 116, 97);
    addLabel(u"Service No:"_s, 17, 7, 38, 8);
    numberField_ = addEdit(u"numberField"_s, 60, 6, 46, 12);
    addLabel(u"Service Name:"_s, 7, 24, 47, 8);
    nameField_ = addEdit(u"nameField"_s, 60, 22, 131, 12);
    addLabel(u"Video PID:"_s, 19, 42, 34, 8);
    videoPidField_ = addEdit(u"videoPidField"_s, 60, 40, 36, 12);
    addLabel(u"Audio PID:"_s, 111, 42, 35, 8);
    audioPidField_ = addEdit(u"audioPidField"_s, 150, 40, 41, 12);
    addLabel(u"PCR PID:"_s, 22, 59, 30, 8);
    pcrPidField_ = addEdit(u"pcrPidField"_s, 60, 58, 36, 12);
    addLabel(u"Service ID:"_s, 106, 59, 36, 8);
    serviceIdField_ = addEdit(u"serviceIdField"_s, 150, 58, 41, 12);
    caModeBox_ = addCheckBox(u"caModeBox"_s, u"CA Mode"_s, 116, 8, 45, 10);
    lockBox_ = addCheckBox(u"lockBox"_s, u"Lock"_s, 161, 8, 30, 10);
    QStringList favorites{u"NoFav"_s};
    for (int32_t group = 1; group <= kFavoriteGroups; ++group)
        favorites << u"Fav%1"_s.arg(group);
    favoriteList_ = addList(u"favoriteList"_s, favorites, 58, 75, 48);
    addLabel(u"FAV:"_s, 34, 78, 16, 8);
    addLabel(u"TP ID"_s, 113, 78, 26, 8);
    transponderIdField_ = addEdit(u"transponderIdField"_s, 145, 76, 46, 14);
}

int ServiceEdit::SetRecord(ServiceRecord* record) {
    record_ = record;
    return 0;
}

void ServiceEdit::fill() {
    if (!record_)
        return;
    numberField_->setText(decimalText(record_->number));
    showName(*nameField_, record_->name, names());
    videoPidField_->setText(decimalText(record_->videoPid));
    audioPidField_->setText(decimalText(record_->audioPid));
    pcrPidField_->setText(decimalText(record_->pcrPid));
    serviceIdField_->setText(decimalText(record_->serviceId));
    transponderIdField_->setText(decimalText(record_->transponderId));
    caModeBox_->setChecked(record_->caMode != 0);
    lockBox_->setChecked(record_->lock != 0);
    shownFavorite_ = favoriteEntry(record_->favorites);
    selectPosition(*favoriteList_, shownFavorite_);
}

void ServiceEdit::okPressed() {
    if (!record_) {
        reject();
        return;
    }
    ServiceRecord edited = *record_;
    struct Number {
        QLineEdit* field;
        QString name;
        NumberRange range;
        int32_t* value;
    };
    using S = ServiceRecord;
    const Number numbers[] = {
        {numberField_, u"Service No"_s, bitsRange(cdd::field(&S::number).bits), &edited.number},
        {videoPidField_, u"Video PID"_s, bitsRange(cdd::field(&S::videoPid).bits),
         &edited.videoPid},
        {audioPidField_, u"Audio PID"_s, bitsRange(cdd::field(&S::audioPid).bits),
         &edited.audioPid},
        {pcrPidField_, u"PCR PID"_s, bitsRange(cdd::field(&S::pcrPid).bits), &edited.pcrPid},
        {serviceIdField_, u"Service ID"_s, bitsRange(cdd::field(&S::serviceId).bits),
         &edited.serviceId},
        // The file nests services in their transponder, whose id it keeps in 16 bits.
        {transponderIdField_, u"TP ID"_s, bitsRange(cdd::field(&TransponderRecord::id).bits),
         &edited.transponderId},
    };
    for (const Number& n : numbers) {
        const std::optional<int32_t> value = readNumber(*n.field, n.name, n.range, prompts_);
        if (!value)
            return;
        *n.value = *value;
    }
    if (!cdd::isWritten(edited)) {
        prompts_.message(this, MessageIcon::Exclamation,
                         u"Video PID, Audio PID and PCR PID cannot all be 0."_s,
                         u"The .cdd file leaves out a service without any PID."_s);
        focusForCorrection(videoPidField_);
        return;
    }
    if (transponderExists_ && !transponderExists_(edited.transponderId)) {
        prompts_.message(this, MessageIcon::Exclamation,
                         u"There is no transponder with TP ID %1."_s.arg(edited.transponderId),
                         u"The .cdd file keeps a service only under its transponder."_s);
        focusForCorrection(transponderIdField_);
        return;
    }
    if (!storeName(*nameField_, edited.name, prompts_, names()))
        return;
    edited.caMode = caModeBox_->isChecked() ? 1 : 0;
    edited.lock = lockBox_->isChecked() ? 1 : 0;
    // The list can show only one group. Left as shown, it keeps every group the record has; a
    // choice stores that single group.
    const int32_t entry = selectedPosition(*favoriteList_);
    if (entry != shownFavorite_)
        edited.favorites = entry < 1 ? 0 : 1 << (entry - 1);
    *record_ = edited;
    accept();
}

} // namespace corvane
