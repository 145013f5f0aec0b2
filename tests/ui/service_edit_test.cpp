#include "ui/service_edit.h"

#include "ui/edit_dialog_driver.h"
#include "ui/scripted_prompts.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <string>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;
using test::field;
using test::list;
using test::retype;

ServiceRecord service(const std::string& name, int32_t favorites) {
    ServiceRecord r{12, 4, {}, 5101, 5102, 5103, 11100, 1, favorites, 0};
    setName(r.name, name);
    return r;
}

class ServiceEditTest : public ::testing::Test {
protected:
    void open(const ServiceRecord& r) {
        record = r;
        dialog.SetRecord(&record);
        dialog.show();
    }
    QComboBox* favorites() { return list(dialog, u"favoriteList"_s); }

    test::ScriptedPrompts prompts;
    ServiceRecord record;
    ServiceEdit dialog{prompts};
};

TEST_F(ServiceEditTest, ShowsTheRecordAndStoresTheFields) {
    ServiceRecord stored = service("Das Erste", 0);
    stored.caMode = 2; // any value but 0 is scrambled
    open(stored);
    EXPECT_EQ(dialog.GetRecord(), &record);
    EXPECT_EQ(field(dialog, u"numberField"_s)->text(), u"4"_s); // 0-based, unlike the list
    EXPECT_TRUE(test::control<QCheckBox>(dialog, u"caModeBox"_s)->isChecked());

    retype(field(dialog, u"numberField"_s), u"5x"_s);
    retype(field(dialog, u"nameField"_s), u"ZDF"_s);
    retype(field(dialog, u"videoPidField"_s), u"  6110"_s);
    retype(field(dialog, u"audioPidField"_s), u"6120"_s);
    retype(field(dialog, u"pcrPidField"_s), u"pcr"_s);
    retype(field(dialog, u"serviceIdField"_s), u"28006"_s);
    retype(field(dialog, u"transponderIdField"_s), u"-3"_s);
    QTest::mouseClick(test::control<QCheckBox>(dialog, u"lockBox"_s), Qt::LeftButton);
    test::stepList(favorites(), 3);
    EXPECT_EQ(favorites()->currentText(), u"Fav3"_s);
    test::pressOk(dialog);

    ServiceRecord expected{-3, 5, {}, 6110, 6120, 5103, 28006, 1, 4, 1};
    setName(expected.name, "ZDF");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, expected);
}

TEST(ServiceEdit, FavouriteListShowsTheLowestGroupAndKeepsTheMaskUntilAnotherIsChosen) {
    struct Case {
        int32_t stored;
        const char16_t* shown;
        int steps; // arrow key presses in the list
        int32_t kept;
    } cases[] = {
        {0, u"NoFav", 0, 0},         {5, u"Fav1", 0, 5},      {5, u"Fav1", 1, 2},
        {0x300, u"NoFav", 0, 0x300}, {0x300, u"NoFav", 1, 1}, {128, u"Fav8", -8, 0},
        {0, u"NoFav", 8, 128},
    };
    for (const Case& c : cases) {
        test::ScriptedPrompts prompts;
        ServiceRecord r = service("S", c.stored);
        ServiceEdit dialog(prompts);
        dialog.SetRecord(&r);
        dialog.show();
        EXPECT_EQ(list(dialog, u"favoriteList"_s)->currentText(), QString::fromUtf16(c.shown));
        test::stepList(list(dialog, u"favoriteList"_s), c.steps);
        test::pressOk(dialog);
        EXPECT_EQ(r.favorites, c.kept) << c.stored << " " << c.steps;
    }
}

TEST_F(ServiceEditTest, NamesAreCutWhenEditedAndRefusedBeyondLatin1) {
    ServiceRecord stored = service(std::string(63, 'n'), 1);
    open(stored);
    EXPECT_EQ(field(dialog, u"nameField"_s)->text().size(), 63);
    retype(field(dialog, u"nameField"_s), u"\u0141\u00f3d\u017a"_s);
    test::pressOk(dialog);
    EXPECT_EQ(prompts.seen.size(), 1u);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(field(dialog, u"nameField"_s)->selectedText(), u"\u0141"_s);
    EXPECT_EQ(record, stored);

    retype(field(dialog, u"nameField"_s), QString(40, u'x'));
    test::pressOk(dialog);
    EXPECT_EQ(std::string(nameView(record.name)), std::string(32, 'x'));
    EXPECT_EQ(record.name[40], '\0'); // nothing of the old name is left behind
}

TEST_F(ServiceEditTest, EmptyNameIsStoredAndOkWithoutChangesKeepsALongName) {
    open(service(std::string(50, 'n'), 0));
    QTest::keyClick(field(dialog, u"nameField"_s), Qt::Key_Return);
    EXPECT_EQ(std::string(nameView(record.name)), std::string(50, 'n'));

    ServiceRecord r = service("Name", 0);
    ServiceEdit again(prompts);
    again.SetRecord(&r);
    again.show();
    retype(field(again, u"nameField"_s), u""_s);
    test::pressOk(again);
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(r, service("", 0));
    EXPECT_TRUE(prompts.seen.empty());
}

TEST_F(ServiceEditTest, CancelAndEscapeLeaveTheRecordAsItWas) {
    const ServiceRecord stored = service("Arte", 3);
    open(stored);
    retype(field(dialog, u"nameField"_s), u"Other"_s);
    test::stepList(favorites(), 2);
    test::pressCancel(dialog);
    EXPECT_EQ(record, stored);

    ServiceEdit again(prompts);
    again.SetRecord(&record);
    again.show();
    retype(field(again, u"videoPidField"_s), u"1"_s);
    QTest::keyClick(field(again, u"videoPidField"_s), Qt::Key_Escape);
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(record, stored);
}

} // namespace
} // namespace corvane
