#include "ui/about_dialog.h"

#include "ui/application_icon.h"
#include "ui/template_layout.h"

#include <QLabel>
#include <QPushButton>

namespace corvane {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Corvane"));
    setWindowIcon(applicationIcon());

    auto* layout = new TemplateLayout(this, QSize(170, 62));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    const DialogUnits units(font());
    const int side = std::max(units.x(21), units.y(20));
    icon->setPixmap(applicationIcon().pixmap(side, side));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(icon, QRect(14, 14, 21, 20), {});

    auto* text = new QLabel(QStringLiteral("Corvane 1.0 \u7248"), this);
    text->setObjectName(QStringLiteral("aboutText"));
    layout->addWidget(text, QRect(42, 14, 114, 8), {});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    layout->addWidget(ok, QRect(113, 41, 50, 14), {});
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace corvane
