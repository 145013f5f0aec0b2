// The four edit dialogs at the default font and at a small and a large one: each control inside the
// fixed-size window, each caption and list entry whole, no two controls drawn over each other, and
// Tab visiting the controls in template order from OK round to OK. With CORVANE_SCREENSHOT_DIR set
// the dialogs are saved there as PNG files, to be looked at.

#include "ui/antenna_edit.h"
#include "ui/satellite_edit.h"
#include "ui/service_edit.h"
#include "ui/transponder_edit.h"

#include "ui/edit_dialog_driver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;

// What a control covers on screen: a label only its text; a group box only frames the others.
QRect drawn(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return {w->pos(), label->sizeHint()};
    return qobject_cast<QGroupBox*>(w) ? QRect() : w->geometry();
}

void expectTidy(QDialog& dialog, const QString& tabOrder) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const auto controls = dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : controls) {
        const std::string what = (w->objectName() + w->property("text").toString()).toStdString();
        EXPECT_TRUE(dialog.rect().contains(w->geometry())) << what;
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QComboBox*>(w)) {
            EXPECT_LE(w->sizeHint().width(), w->width()) << what;
        }
        for (QWidget* other : controls)
            EXPECT_TRUE(other == w || !drawn(w).intersects(drawn(other))) << what;
    }
    QStringList visited;
    for (qsizetype i = 0; i < tabOrder.count(u' ') + 4; ++i) { // OK, Cancel, the rest, OK
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited.join(u' ').toStdString(),
              (u"okButton cancelButton "_s + tabOrder + u" okButton"_s).toStdString());
    if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR"))
        dialog.grab().save(QDir(QString::fromLocal8Bit(dir))
                               .filePath(u"%1-%2.png"_s.arg(dialog.windowTitle().toLower())
                                             .arg(dialog.font().pointSize())));
}

class EditDialogLayout : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        QFont font = saved_;
        if (GetParam() > 0)
            font.setPointSize(GetParam());
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(saved_); }

private:
    const QFont saved_ = QApplication::font();
};

TEST_P(EditDialogLayout, NothingClippedOrOverlappingAndTabInTemplateOrder) {
    test::ScriptedPrompts prompts;
    SatelliteRecord satellite{3, {}, 3300};
    setName(satellite.name, "Hispasat 30.0W");
    SatelliteEdit satelliteEdit(prompts);
    satelliteEdit.SetRecord(&satellite);
    expectTidy(satelliteEdit, u"nameField longitudeField westBox"_s);

    TransponderRecord transponder{12, 3, 11954, 27500, 1, 3, 3};
    TransponderEdit transponderEdit(prompts);
    transponderEdit.SetRecord(&transponder);
    expectTidy(transponderEdit,
               u"frequencyField symbolRateField antennaIdField polarityList fecList"_s);

    ServiceRecord service{12, 41, {}, 5101, 5102, 5101, 11100, 1, 4, 0};
    setName(service.name, "Das Erste HD");
    ServiceEdit serviceEdit(prompts);
    serviceEdit.SetRecord(&service);
    expectTidy(serviceEdit, u"numberField nameField videoPidField audioPidField pcrPidField "
                            u"serviceIdField caModeBox lockBox favoriteList transponderIdField"_s);

    AntennaRecord antenna{3, 9750, 10600, 11700, 0, 1, 0, 2, 1, 0, 3, 2, 1, 1, 3, 1, 4};
    AntennaEdit antennaEdit(prompts);
    antennaEdit.SetRecord(&antenna);
    expectTidy(antennaEdit, u"lowFreqField highFreqField lnbTypeList "
                            u"lnbPowerList toneburstList committed10List committed11List "
                            u"repeatedTimesList switch22kList switch12vList tunerMaskList "
                            u"diseqcTypeList"_s);
}

// 0 keeps the default font.
INSTANTIATE_TEST_SUITE_P(Fonts, EditDialogLayout, ::testing::Values(0, 7, 14));

} // namespace
} // namespace corvane
