#pragma once
// SatelliteEdit: the modal dialog that edits one satellite's name and orbital position. A position
// west of Greenwich is shown as degrees west with the West box checked and stored as 3600 minus it.

#include "model/records.h"
#include "ui/edit_dialog.h"

class QCheckBox;
class QLineEdit;

namespace corvane {

class UserPrompts;

class SatelliteEdit final : public EditDialog {
    Q_OBJECT

public:
    // The validation messages go through `prompts`.
    SatelliteEdit(UserPrompts& prompts, QWidget* parent = nullptr);

    // The record to edit, before the dialog is shown. Not owned; written only when OK succeeds.
    int SetRecord(SatelliteRecord* record);
    SatelliteRecord* GetRecord() const { return record_; }

protected:
    void fill() override;
    void okPressed() override;

private:
    UserPrompts& prompts_;
    SatelliteRecord* record_ = nullptr;
    QLineEdit* nameField_;
    QLineEdit* longitudeField_;
    QLineEdit* indexField_;
    QCheckBox* westBox_;
};

} // namespace corvane
