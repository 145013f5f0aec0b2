#pragma once
// TransponderEdit: the modal dialog that edits one transponder's frequency, symbol rate, polarity,
// inner FEC and antenna. It checks nothing: whatever number a field begins with is stored.

#include "model/records.h"
#include "ui/edit_dialog.h"

class QComboBox;
class QLineEdit;

namespace corvane {

class TransponderEdit final : public EditDialog {
    Q_OBJECT

public:
    explicit TransponderEdit(QWidget* parent = nullptr);

    // The record to edit, before the dialog is shown. Not owned; written only on OK.
    int SetRecord(TransponderRecord* record);
    TransponderRecord* GetRecord() const { return record_; }

protected:
    void fill() override;
    void okPressed() override;

private:
    TransponderRecord* record_ = nullptr;
    QLineEdit* idField_;
    QLineEdit* frequencyField_;
    QLineEdit* symbolRateField_;
    QLineEdit* antennaIdField_;
    QComboBox* polarityList_;
    QComboBox* fecList_;
};

} // namespace corvane
