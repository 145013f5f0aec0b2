#include "ui/edit_dialog.h"

#include "ui/name_text.h"
#include "ui/prompts.h"
#include "ui/scan_decimal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace corvane {

using namespace Qt::StringLiterals;

EditDialog::EditDialog(QWidget* parent, const QString& title, int width, int height)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      units_(font()), templateSize_(width, height) {
    setWindowTitle(title);
    setModal(true);
    layOut();
}

EditDialog::~EditDialog() = default;

void EditDialog::place(QWidget* widget, int x, int y, int width, int height, int neededWidth) {
    placed_.push_back({widget, QRect(x, y, width, height)});
    if (width > 0 && units_.x(width) < neededWidth) {
        int baseWidth = units_.baseWidth();
        while (DialogUnits(baseWidth, units_.baseHeight()).x(width) < neededWidth)
            ++baseWidth;
        units_ = DialogUnits(baseWidth, units_.baseHeight());
        layOut();
    }
    widget->setGeometry(units_.rect(x, y, width, height));
}

void EditDialog::layOut() {
    setFixedSize(units_.size(templateSize_.width(), templateSize_.height()));
    for (const Placed& p : placed_) {
        const QRect& r = p.templateRect;
        p.widget->setGeometry(units_.rect(r.x(), r.y(), r.width(), r.height()));
    }
}

void EditDialog::addOkCancel(int okX, int okY, int cancelX, int cancelY) {
    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"okButton"_s);
    place(ok, okX, okY, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { okPressed(); });
    auto* cancel = new QPushButton(u"Canel"_s, this);
    cancel->setObjectName(u"cancelButton"_s);
    place(cancel, cancelX, cancelY, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QLabel* EditDialog::addLabel(const QString& caption, int x, int y, int width, int height) {
    auto* label = new QLabel(caption, this);
    place(label, x, y, width, height, label->sizeHint().width());
    return label;
}

QLineEdit* EditDialog::addEdit(const QString& name, int x, int y, int width, int height) {
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    field->setMaxLength(kFieldTextLength);
    place(field, x, y, width, height);
    return field;
}

QLineEdit* EditDialog::addReadOnlyEdit(const QString& name, int x, int y, int width, int height) {
    QLineEdit* field = addEdit(name, x, y, width, height);
    field->setEnabled(false);
    return field;
}

QCheckBox* EditDialog::addCheckBox(const QString& name, const QString& caption, int x, int y,
                                   int width, int height) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    place(box, x, y, width, height, box->sizeHint().width());
    return box;
}

QComboBox* EditDialog::addList(const QString& name, const QStringList& entries, int x, int y,
                               int width) {
    auto* list = new QComboBox(this);
    list->setObjectName(name);
    list->addItems(entries);
    list->setCurrentIndex(-1);
    place(list, x, y, width, 12, list->sizeHint().width());
    return list;
}

QGroupBox* EditDialog::addGroupBox(const QString& caption, int x, int y, int width, int height) {
    auto* group = new QGroupBox(caption, this);
    place(group, x, y, width, height);
    // A group box only frames its neighbours: it lies beneath them and lets clicks through, even
    // where the template creates it after a control it encloses.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    group->lower();
    return group;
}

void EditDialog::focusForCorrection(QLineEdit* field) {
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void EditDialog::showEvent(QShowEvent* event) {
    if (!filled_) {
        filled_ = true;
        fill();
    }
    QDialog::showEvent(event);
}

QString decimalText(int32_t value) {
    return QString::number(value);
}

std::optional<int32_t> readNumber(QLineEdit& field, const QString& name, NumberRange range,
                                  UserPrompts& prompts) {
    const std::optional<int64_t> number = wholeDecimal(field.text().left(kFieldTextLength));
    if (number && *number >= range.min && *number <= range.max)
        return static_cast<int32_t>(*number);
    prompts.message(field.window(), MessageIcon::Exclamation,
                    QStringLiteral("%1 must be a whole number from %2 to %3.")
                        .arg(name)
                        .arg(range.min)
                        .arg(range.max),
                    QStringLiteral("The .cdd file stores it in %1 bits.").arg(range.bits));
    field.setFocus(Qt::OtherFocusReason);
    field.selectAll();
    return std::nullopt;
}

void selectPosition(QComboBox& list, int32_t position) {
    list.setCurrentIndex(position >= 0 && position < list.count() ? position : -1);
}

int32_t selectedPosition(const QComboBox& list) {
    return list.currentIndex();
}

void showName(QLineEdit& field, const RecordName& name, const NameCodec* names) {
    const QString text = nameText(names, name);
    // The limit is raised before the text is set, which it would otherwise cut.
    field.setMaxLength(std::max(kFieldTextLength, static_cast<int>(text.size())));
    field.setText(text);
}

bool storeName(QLineEdit& field, RecordName& name, UserPrompts& prompts, const NameCodec* names) {
    const QString text = field.text();
    // Compared with the shown text, not re-encoded: a name whose bytes the page does not define
    // would not come back from its text.
    if (text == nameText(names, name))
        return true;
    const StoredName stored = nameBytes(names, text.left(kFieldTextLength), nameView(name));
    if (stored.refusedAt < 0) {
        setName(name, stored.bytes);
        return true;
    }
    prompts.message(field.window(), MessageIcon::Exclamation,
                    QStringLiteral("The name cannot hold the character \"%1\".")
                        .arg(text.mid(stored.refusedAt, stored.refusedLength)),
                    stored.refusal.isEmpty() ? QString()
                                             : stored.refusal.left(1).toUpper() +
                                                   stored.refusal.mid(1) + QLatin1Char('.'));
    field.setFocus(Qt::OtherFocusReason);
    field.setSelection(stored.refusedAt, stored.refusedLength);
    return false;
}

} // namespace corvane
