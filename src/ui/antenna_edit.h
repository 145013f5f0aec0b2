#pragma once
// AntennaEdit: the modal dialog that edits one antenna's LNB and DiSEqC switching. Most values are
// picked from drop-down lists whose entry position is the stored value; the tuner mask's entries
// stand for 1, 2 and 3. A tuner mask of 0 is taken as 3 (both tuners) as soon as the dialog is
// shown, even if the user then cancels. A frequency the .cdd file cannot hold is refused at OK.

#include "model/records.h"
#include "ui/edit_dialog.h"

class QComboBox;
class QLineEdit;

namespace corvane {

class UserPrompts;

class AntennaEdit final : public EditDialog {
    Q_OBJECT

public:
    // Refused values are told through `prompts`.
    explicit AntennaEdit(UserPrompts& prompts, QWidget* parent = nullptr);

    // The record to edit, before the dialog is shown. Not owned; written on OK (and by the tuner
    // mask rule when shown).
    int SetRecord(AntennaRecord* record);
    AntennaRecord* GetRecord() const { return record_; }

protected:
    void fill() override;
    void okPressed() override;

private:
    UserPrompts& prompts_;
    AntennaRecord* record_ = nullptr;
    QLineEdit* indexField_;
    QLineEdit* lowFreqField_;
    QLineEdit* highFreqField_;
    QLineEdit* centerFreqField_;
    QLineEdit* uncommittedField_;
    QLineEdit* lnbVoltageField_;
    QLineEdit* antennaKeyField_;
    QComboBox* lnbTypeList_;
    QComboBox* lnbPowerList_;
    QComboBox* toneburstList_;
    QComboBox* committed10List_;
    QComboBox* committed11List_;
    QComboBox* repeatedTimesList_;
    QComboBox* switch22kList_;
    QComboBox* switch12vList_;
    QComboBox* tunerMaskList_;
    QComboBox* diseqcTypeList_;
};

} // namespace corvane
