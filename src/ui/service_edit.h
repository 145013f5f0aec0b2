#pragma once
// ServiceEdit: the modal dialog that edits one service: number, name, PIDs, service id, CA mode,
// lock, one favourite group and the transponder that carries it. Only the name can be refused.

#include "model/records.h"
#include "ui/edit_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace corvane {

class UserPrompts;

class ServiceEdit final : public EditDialog {
    Q_OBJECT

public:
    // A name Latin-1 cannot hold is refused through `prompts`.
    ServiceEdit(UserPrompts& prompts, QWidget* parent = nullptr);

    // The record to edit, before the dialog is shown. Not owned; written only when OK succeeds.
    int SetRecord(ServiceRecord* record);
    ServiceRecord* GetRecord() const { return record_; }

protected:
    void fill() override;
    void okPressed() override;

private:
    UserPrompts& prompts_;
    ServiceRecord* record_ = nullptr;
    QLineEdit* numberField_;
    QLineEdit* nameField_;
    QLineEdit* videoPidField_;
    QLineEdit* audioPidField_;
    QLineEdit* pcrPidField_;
    QLineEdit* serviceIdField_;
    QCheckBox* caModeBox_;
    QCheckBox* lockBox_;
    QComboBox* favoriteList_;
    QLineEdit* transponderIdField_;
    int32_t shownFavorite_ = 0;
};

} // namespace corvane
