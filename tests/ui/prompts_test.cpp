#include "ui/prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace corvane {
namespace {

// The real message box, answered by closing it as soon as it is up.
TEST(QtPrompts, MessageBoxCaptionIsTheOwnersTitleWithoutThePlaceholder) {
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Corvane [v1.0.3] - list.cdd[*]"));
    owner.setWindowModified(true);
    QString caption, details;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        details = box->informativeText();
        box->accept();
    });
    QtPrompts().message(&owner, MessageIcon::Exclamation, QStringLiteral("File Format error!"),
                        QStringLiteral("/tmp/list.cdd"));
    EXPECT_EQ(caption.toStdString(), "Corvane [v1.0.3] - list.cdd");
    EXPECT_EQ(details.toStdString(), "/tmp/list.cdd");
}

} // namespace
} // namespace corvane
