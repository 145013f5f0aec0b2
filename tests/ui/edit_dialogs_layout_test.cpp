// Every edit dialog, at the default font and at a small and a large one: each control inside the
// window, each caption and list entry whole, and no control drawn over another. With
// CORVANE_SCREENSHOT_DIR set, the dialogs are also saved there as PNG files to be looked at.

#include "ui/antenna_edit.h"
#include "ui/satellite_edit.h"
#include "ui/service_edit.h"
#include "ui/transponder_edit.h"

#include "ui/scripted_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <cstdlib>
#include <memory>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;

// What a control really covers: a label only its text, a group box only its title.
QRect drawnRect(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return {w->pos(), QSize(label->fontMetrics().horizontalAdvance(label->text()),
                                label->fontMetrics().height())};
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, group);
        return title.isEmpty() ? QRect() : title.translated(w->pos());
    }
    return w->geometry();
}

int neededWidth(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->fontMetrics().horizontalAdvance(label->text());
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QComboBox*>(w))
        return w->sizeHint().width();
    return 0;
}

void expectTidy(QDialog& dialog) {
    dialog.show();
    SCOPED_TRACE(dialog.windowTitle().toStdString());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const QList<QWidget*> controls =
        dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : controls) {
        const std::string what =
            (w->objectName().isEmpty() ? w->property("text").toString() : w->objectName())
                .toStdString();
        EXPECT_TRUE(dialog.rect().contains(w->geometry())) << what;
        EXPECT_LE(neededWidth(w), w->width()) << what;
        for (QWidget* other : controls) {
            if (other == w)
                continue;
            EXPECT_FALSE(drawnRect(w).intersects(drawnRect(other)))
                << what << " / " << other->objectName().toStdString()
                << other->property("text").toString().toStdString();
        }
    }
    if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR"))
        dialog.grab().save(QDir(QString::fromLocal8Bit(dir))
                               .filePath(dialog.windowTitle().toLower() + QStringLiteral("-") +
                                         QString::number(dialog.font().pointSize()) +
                                         QStringLiteral(".png")));
}

class EditDialogLayout : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (GetParam() > 0) {
            QFont font = saved_;
            font.setPointSize(GetParam());
            QApplication::setFont(font);
        }
    }
    void TearDown() override { QApplication::setFont(saved_); }

private:
    QFont saved_ = QApplication::font();
};

TEST_P(EditDialogLayout, NothingClippedOrOverlapping) {
    test::ScriptedPrompts prompts;
    SatelliteRecord satellite{3, {}, 3300};
    setName(satellite.name, "Hispasat 30.0W");
    SatelliteEdit satelliteEdit(prompts);
    satelliteEdit.SetRecord(&satellite);
    expectTidy(satelliteEdit);

    TransponderRecord transponder{12, 3, 11954, 27500, 1, 3, 3};
    TransponderEdit transponderEdit;
    transponderEdit.SetRecord(&transponder);
    expectTidy(transponderEdit);

    ServiceRecord service{12, 41, {}, 5101, 5102, 5101, 11100, 1, 4, 0};
    setName(service.name, "Das Erste HD");
    ServiceEdit serviceEdit(prompts);
    serviceEdit.SetRecord(&service);
    expectTidy(serviceEdit);

    AntennaRecord antenna{3, 9750, 10600, 11700, 0, 1, 0, 2, 1, 0, 3, 2, 1, 1, 3, 1, 4};
    AntennaEdit antennaEdit;
    antennaEdit.SetRecord(&antenna);
    expectTidy(antennaEdit);
}

// 0 keeps the default font.
INSTANTIATE_TEST_SUITE_P(Fonts, EditDialogLayout, ::testing::Values(0, 7, 14));

// The Tab key visits the controls in template order, from OK round to OK again, skipping what the
// user cannot change; the window opens with the focus on OK.
TEST(EditDialogFrame, TitleDefaultButtonAndTabOrder) {
    test::ScriptedPrompts prompts;
    SatelliteRecord satellite{};
    TransponderRecord transponder{};
    ServiceRecord service{};
    AntennaRecord antenna{};
    struct Case {
        std::unique_ptr<QDialog> dialog;
        const char16_t* title;
        QStringList tabOrder;
    };
    auto make = [](auto* dialog, auto* record) {
        dialog->SetRecord(record);
        return std::unique_ptr<QDialog>(dialog);
    };
    const QString ok = u"okButton"_s, cancel = u"cancelButton"_s;
    Case cases[] = {
        {make(new SatelliteEdit(prompts), &satellite),
         u"Satellite",
         {ok, cancel, u"nameField"_s, u"longitudeField"_s, u"westBox"_s}},
        {make(new TransponderEdit, &transponder),
         u"Transponder",
         {ok, cancel, u"frequencyField"_s, u"symbolRateField"_s, u"antennaIdField"_s,
          u"polarityList"_s, u"fecList"_s}},
        {make(new ServiceEdit(prompts), &service),
         u"Service",
         {ok, cancel, u"numberField"_s, u"nameField"_s, u"videoPidField"_s, u"audioPidField"_s,
          u"pcrPidField"_s, u"serviceIdField"_s, u"caModeBox"_s, u"lockBox"_s, u"favoriteList"_s,
          u"transponderIdField"_s}},
        {make(new AntennaEdit, &antenna),
         u"Antenna",
         {ok, cancel, u"lowFreqField"_s, u"highFreqField"_s, u"centerFreqField"_s, u"lnbTypeList"_s,
          u"lnbPowerList"_s, u"toneburstList"_s, u"committed10List"_s, u"committed11List"_s,
          u"repeatedTimesList"_s, u"switch22kList"_s, u"switch12vList"_s, u"tunerMaskList"_s,
          u"diseqcTypeList"_s}},
    };
    for (Case& c : cases) {
        QDialog& dialog = *c.dialog;
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(c.title));
        auto* okButton = dialog.findChild<QPushButton*>(ok);
        EXPECT_TRUE(okButton->isDefault());
        EXPECT_EQ(dialog.findChild<QPushButton*>(cancel)->text(), u"Canel"_s);
        QStringList visited;
        for (qsizetype i = 0; i <= c.tabOrder.size(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(visited, c.tabOrder + QStringList{ok});
    }
}

} // namespace
} // namespace corvane
