#include "ui/record_editors.h"

#include "ui/edit_dialog_driver.h"
#include "ui/scripted_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <functional>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;

// Acts on the next modal dialog once its loop runs. Should none appear, every open dialog is
// cancelled, so a fault fails the test instead of hanging it.
void whenModal(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            act(*dialog);
            return;
        }
        ADD_FAILURE() << "no modal dialog";
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
    });
}

TEST(DialogRecordEditors, RunEachDialogModallyAndReportOk) {
    test::ScriptedPrompts prompts;
    DialogRecordEditors editors(prompts);

    SatelliteRecord satellite{};
    whenModal([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), u"Satellite"_s);
        test::retype(test::field(d, u"nameField"_s), u"Thor"_s);
        test::pressOk(d);
    });
    EXPECT_TRUE(editors.editSatellite(nullptr, satellite));
    EXPECT_EQ(nameView(satellite.name), "Thor");

    TransponderRecord transponder{};
    whenModal([](QDialog& d) {
        test::retype(test::field(d, u"frequencyField"_s), u"11000"_s);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_FALSE(editors.editTransponder(nullptr, transponder));
    EXPECT_EQ(transponder, TransponderRecord{});

    ServiceRecord service{};
    whenModal([](QDialog& d) { test::pressOk(d); });
    EXPECT_TRUE(editors.editService(nullptr, service));

    AntennaRecord antenna{};
    whenModal([](QDialog& d) { test::pressCancel(d); });
    EXPECT_FALSE(editors.editAntenna(nullptr, antenna));
    EXPECT_EQ(antenna.tunerMask, 3);
    EXPECT_TRUE(prompts.seen.empty());
}

} // namespace
} // namespace corvane
