#include "ui/satellite_edit.h"

#include "ui/edit_dialog_driver.h"
#include "ui/scripted_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

#include <memory>
#include <string>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;
using test::field;
using test::pressOk;
using test::retype;

SatelliteRecord satellite(int32_t id, const std::string& name, int32_t longitude) {
    SatelliteRecord r;
    r.id = id;
    setName(r.name, name);
    r.longitude = longitude;
    return r;
}

class SatelliteEditTest : public ::testing::Test {
protected:
    void open(const SatelliteRecord& r) {
        record = r;
        dialog.SetRecord(&record);
        dialog.show();
    }
    QLineEdit* name() { return field(dialog, u"nameField"_s); }
    QLineEdit* longitude() { return field(dialog, u"longitudeField"_s); }
    QCheckBox* west() { return test::control<QCheckBox>(dialog, u"westBox"_s); }

    test::ScriptedPrompts prompts;
    SatelliteRecord record;
    SatelliteEdit dialog{prompts};
};

TEST(SatelliteEdit, ShowsPositionsBeyond1800AsWest) {
    struct Case {
        int32_t stored;
        const char16_t* shown;
        bool west;
    } cases[] = {{0, u"0", false},      {192, u"192", false}, {1800, u"1800", false},
                 {1801, u"1799", true}, {3300, u"300", true}, {3600, u"0", true}};
    for (const Case& c : cases) {
        test::ScriptedPrompts prompts;
        SatelliteRecord r = satellite(7, "Sat", c.stored);
        SatelliteEdit dialog(prompts);
        EXPECT_EQ(dialog.SetRecord(&r), 0);
        EXPECT_EQ(dialog.GetRecord(), &r);
        dialog.show();
        EXPECT_EQ(field(dialog, u"indexField"_s)->text(), u"7"_s);
        EXPECT_FALSE(field(dialog, u"indexField"_s)->isEnabled());
        EXPECT_EQ(field(dialog, u"longitudeField"_s)->text(), QString::fromUtf16(c.shown));
        EXPECT_EQ(test::control<QCheckBox>(dialog, u"westBox"_s)->isChecked(), c.west) << c.stored;
    }
}

TEST(SatelliteEdit, OkStoresEastAsIsAndWestAs3600Minus) {
    struct Case {
        const char16_t* typed;
        bool west;
        int32_t stored;
    } cases[] = {{u"0", true, 3600},     {u"1800", true, 1800}, {u"300", true, 3300},
                 {u"1800", false, 1800}, {u"192", false, 192},  {u"0", false, 0}};
    for (const Case& c : cases) {
        test::ScriptedPrompts prompts;
        SatelliteRecord r = satellite(2, "Sat", 1000);
        SatelliteEdit dialog(prompts);
        dialog.SetRecord(&r);
        dialog.show();
        retype(field(dialog, u"longitudeField"_s), QString::fromUtf16(c.typed));
        auto* west = test::control<QCheckBox>(dialog, u"westBox"_s);
        if (west->isChecked() != c.west)
            QTest::mouseClick(west, Qt::LeftButton);
        pressOk(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(r, satellite(2, "Sat", c.stored));
        EXPECT_TRUE(prompts.seen.empty());
    }
}

TEST_F(SatelliteEditTest, LongitudeFieldTakesDigitsOnly) {
    open(satellite(0, "Sat", 0));
    retype(longitude(), u"-1x2 3"_s);
    EXPECT_EQ(longitude()->text(), u"123"_s);
}

TEST_F(SatelliteEditTest, RefusalsKeepTheInputAndFocusTheFaultyField) {
    open(satellite(4, "", 0)); // a new record from Add
    retype(longitude(), u"1801"_s);
    pressOk(dialog);
    // Both faults: only the longitude is reported.
    EXPECT_EQ(prompts.messageTexts(), QStringList{u"Longitude error(in range 0 - 1800)!"_s});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), longitude());
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&dialog, &activation);
    EXPECT_EQ(longitude()->text(), u"1801"_s);

    retype(longitude(), u""_s);
    pressOk(dialog);
    EXPECT_EQ(prompts.messageTexts().size(), 2);
    EXPECT_EQ(prompts.messageTexts().back(), u"Longitude error(in range 0 - 1800)!"_s);

    retype(longitude(), u"1800"_s);
    pressOk(dialog);
    EXPECT_EQ(prompts.messageTexts().back(), u"Satellite Name cannot be empty!!"_s);
    EXPECT_EQ(dialog.focusWidget(), name());
    EXPECT_EQ(longitude()->text(), u"1800"_s);
    EXPECT_EQ(record, satellite(4, "", 0));

    retype(name(), u"   "_s); // spaces are a name
    pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, satellite(4, "   ", 1800));
}

TEST_F(SatelliteEditTest, CharactersBeyondLatin1AreRefused) {
    open(satellite(1, "Sat", 0));
    retype(name(), u"Caf\u00e9 \u20ac"_s);
    pressOk(dialog);
    ASSERT_EQ(prompts.seen.size(), 1u);
    EXPECT_EQ(prompts.seen[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(prompts.seen[0].text.contains(u"\u20ac"_s));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), name());
    EXPECT_EQ(name()->selectedText(), u"\u20ac"_s);
    EXPECT_EQ(record, satellite(1, "Sat", 0));

    QTest::keyClick(name(), Qt::Key_Backspace);
    pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, satellite(1, "Caf\xe9 ", 0));
}

TEST(SatelliteEdit, NamesAreCutTo32CharactersOnlyWhenEdited) {
    const std::string n32(32, 'a'), n40 = std::string(40, 'b'), n63(63, 'c');
    struct Case {
        std::string stored;
        std::optional<QString> typed; // nothing: the name is left as shown
        std::string kept;
    } cases[] = {{"x", QString::fromStdString(n32), n32},
                 {"x", QString::fromStdString(n40), n40.substr(0, 32)},
                 {n63, std::nullopt, n63},
                 {n63, QString::fromStdString(n63.substr(1) + "d"), n63.substr(0, 32)}};
    for (const Case& c : cases) {
        test::ScriptedPrompts prompts;
        SatelliteRecord r = satellite(0, c.stored, 0);
        SatelliteEdit dialog(prompts);
        dialog.SetRecord(&r);
        dialog.show();
        QLineEdit* name = field(dialog, u"nameField"_s);
        EXPECT_EQ(name->text().toStdString(), c.stored); // shown whole
        if (c.typed)
            retype(name, *c.typed);
        pressOk(dialog);
        EXPECT_EQ(std::string(nameView(r.name)), c.kept);
    }
}

TEST_F(SatelliteEditTest, OkWithoutChangesKeepsEveryByte) {
    SatelliteRecord stored = satellite(9, "Name", 3600);
    stored.name[10] = 'z'; // a byte behind the NUL, as some files have
    open(stored);
    QTest::keyClick(name(), Qt::Key_Return); // Enter presses OK
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, stored);
}

TEST(SatelliteEdit, CancelEscapeAndCloseLeaveTheRecordAsItWas) {
    for (int how = 0; how < 3; ++how) {
        test::ScriptedPrompts prompts;
        const SatelliteRecord stored = satellite(5, "Astra", 192);
        SatelliteRecord r = stored;
        SatelliteEdit dialog(prompts);
        dialog.SetRecord(&r);
        dialog.show();
        retype(field(dialog, u"nameField"_s), u"Other"_s);
        retype(field(dialog, u"longitudeField"_s), u"5"_s);
        QTest::mouseClick(test::control<QCheckBox>(dialog, u"westBox"_s), Qt::LeftButton);
        if (how == 0)
            test::pressCancel(dialog);
        else if (how == 1)
            QTest::keyClick(field(dialog, u"nameField"_s), Qt::Key_Escape);
        else
            dialog.close();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(r, stored) << how;
    }
}

} // namespace
} // namespace corvane
