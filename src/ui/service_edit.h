#pragma once
// ServiceEdit: the modal dialog that edits one service: number, name, PIDs, service id, CA mode,
// lock, one favourite group and the transponder that carries it. A number the .cdd file cannot
// hold, a service it would leave out (no PID, or no such transponder) and a name Latin-1 cannot
// hold are refused at OK.

#include "model/records.h"
#include "ui/edit_dialog.h"
#include "ui/record_editors.h"

#include <utility>

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
    // Without a check any TP ID in range is taken.
    void setTransponderCheck(TransponderExists exists) { transponderExists_ = std::move(exists); }

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
    TransponderExists transponderExists_;
};

} // namespace corvane
