#pragma once
// The frame the four record dialogs share: a fixed-size modal dialog laid out from its template in
// dialog units, with OK as the default button and Cancel, Escape and the close box ending it with
// Cancel. The templates were drawn for a narrower font than most desktops use, so the horizontal
// unit is widened until every caption and list entry fits its control whole. A dialog fills its
// controls once, when it is first shown, and writes its record only in okPressed(); whatever the
// user typed survives a message box or a switch to another window. Without a record a dialog shows
// empty fields and OK ends it as Cancel does.

#include "model/records.h"
#include "ui/dialog_units.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane {

class NameCodec;
class UserPrompts;

// Texts the dialogs exchange with their fields hold at most this many characters.
inline constexpr int kFieldTextLength = 32;

class EditDialog : public QDialog {
    Q_OBJECT

public:
    ~EditDialog() override;

    // The code page names are shown and typed in; Latin-1 when null. Set before the dialog shows.
    void setNames(const NameCodec* names) { names_ = names; }

protected:
    // `width` x `height` is the template's client area in dialog units.
    EditDialog(QWidget* parent, const QString& title, int width, int height);

    // Controls are created in template order, which Qt also takes as the tab order. Positions are
    // the template's, in dialog units; `name` is the control's object name.
    void addOkCancel(int okX, int okY, int cancelX, int cancelY);
    QLabel* addLabel(const QString& caption, int x, int y, int width, int height);
    QLineEdit* addEdit(const QString& name, int x, int y, int width, int height);
    // A field that shows a value the dialog never lets the user change.
    QLineEdit* addReadOnlyEdit(const QString& name, int x, int y, int width, int height);
    QCheckBox* addCheckBox(const QString& name, const QString& caption, int x, int y, int width,
                           int height);
    // A drop-down list; a template gives the height of the opened list, the closed box takes the
    // height of an edit field.
    QComboBox* addList(const QString& name, const QStringList& entries, int x, int y, int width);
    QGroupBox* addGroupBox(const QString& caption, int x, int y, int width, int height);

    // Called once, when the dialog is first shown.
    virtual void fill() = 0;
    // OK was pressed: check the input, write the record and accept(), or leave the dialog open.
    virtual void okPressed() = 0;

    const NameCodec* names() const { return names_; }

    // Puts the cursor into `field` with its text selected, so the user can type a correction.
    static void focusForCorrection(QLineEdit* field);

    void showEvent(QShowEvent* event) override;

private:
    struct Placed {
        QWidget* widget;
        QRect templateRect; // dialog units
    };

    // Puts `widget` at its template position. When its caption needs `neededWidth` pixels and the
    // template's width gives fewer, the horizontal unit is widened and every control placed so far
    // is laid out again.
    void place(QWidget* widget, int x, int y, int width, int height, int neededWidth = 0);
    void layOut();

    DialogUnits units_;
    QSize templateSize_;
    std::vector<Placed> placed_;
    bool filled_ = false;
    const NameCodec* names_ = nullptr;
};

// The values a number field takes: those its field in the .cdd file gives back as they were.
struct NumberRange {
    int64_t min;
    int64_t max;
    int bits; // in the .cdd file
};
// A field the .cdd file keeps in `bits` bits; one of 32 bits is held in a signed 32-bit member, so
// it takes 0 to INT32_MAX.
constexpr NumberRange bitsRange(int bits) {
    return {0, bits >= 32 ? INT32_MAX : (int64_t{1} << bits) - 1, bits};
}

// Field conversions the dialogs share.
QString decimalText(int32_t value);
// The field's text when it is one whole number within `range`. Otherwise the user is told which
// field (`name`) takes what, the field is selected for correction and nothing is returned.
std::optional<int32_t> readNumber(QLineEdit& field, const QString& name, NumberRange range,
                                  UserPrompts& prompts);
// Selects the entry at `position`, or none when the list has no such entry.
void selectPosition(QComboBox& list, int32_t position);
// The selected entry's position, -1 when none is selected.
int32_t selectedPosition(const QComboBox& list);

// Shows a stored name whole, even when it is longer than a typed name may be.
void showName(QLineEdit& field, const RecordName& name, const NameCodec* names);
// Writes the field's name into `name` and returns true. A name the user left as shown keeps its
// stored bytes whole; an edited one is cut to its first kFieldTextLength characters. When one of
// those characters is not in the names' code page (Latin-1 without a codec), the user is told, the
// character is selected and nothing is written.
bool storeName(QLineEdit& field, RecordName& name, UserPrompts& prompts, const NameCodec* names);

} // namespace corvane
