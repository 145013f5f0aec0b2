#pragma once
// TransponderEdit: the modal dialog that edits one transponder's frequency, symbol rate, polarity,
// inner FEC and antenna. A number the .cdd file cannot hold is refused at OK.

#include "model/records.h"
#include "ui/edit_dialog.h"

class QComboBox;
class QLineEdit;

namespace corvane {

class UserPrompts;

class TransponderEdit final : public EditDialog {
    Q_OBJECT

public:
    // Refused values are told through `prompts`.
    explicit TransponderEdit(UserPrompts& prompts, QWidget* parent = nullptr);

    // The record to edit, before the dialog is shown. Not owned; written only on OK.
    int SetRecord(TransponderRecord* record);
    TransponderRecord* GetRecord() const { return record_; }

protected:
    void fill() override;
    void okPressed() override;

private:
    UserPrompts& prompts_;
    TransponderRecord* record_ = nullptr;
    QLineEdit* idField_;
    QLineEdit* frequencyField_;
    QLineEdit* symbolRateField_;
    QLineEdit* antennaIdField_;
    QComboBox* polarityList_;
    QComboBox* fecList_;
};

} // namespace corvane
