#pragma once
// The About box: the application icon, the program's name and version, and OK.

#include <QDialog>

namespace corvane {

class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace corvane
