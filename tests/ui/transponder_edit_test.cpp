#include "ui/transponder_edit.h"

#include "ui/edit_dialog_driver.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;
using test::field;
using test::list;
using test::retype;

class TransponderEditTest : public ::testing::Test {
protected:
    void open(const TransponderRecord& r) {
        record = r;
        dialog.SetRecord(&record);
        dialog.show();
    }

    TransponderRecord record;
    TransponderEdit dialog;
};

TEST_F(TransponderEditTest, ShowsTheRecordAndStoresWhatFieldsBeginWith) {
    open({17, 3, 11954, 27500, 0, 0, 3});
    EXPECT_EQ(dialog.GetRecord(), &record);
    EXPECT_EQ(field(dialog, u"idField"_s)->text(), u"17"_s);
    EXPECT_FALSE(field(dialog, u"idField"_s)->isEnabled());
    EXPECT_EQ(list(dialog, u"polarityList"_s)->currentText(), u"H"_s);
    EXPECT_EQ(list(dialog, u"fecList"_s)->currentText(), u"AUTO"_s);

    retype(field(dialog, u"frequencyField"_s), u"12188abc"_s);
    retype(field(dialog, u"symbolRateField"_s), u"-5"_s);
    retype(field(dialog, u"antennaIdField"_s), u" +7"_s);
    test::stepList(list(dialog, u"polarityList"_s), 1);
    test::stepList(list(dialog, u"fecList"_s), 6);
    EXPECT_EQ(list(dialog, u"fecList"_s)->currentText(), u"8/9"_s);
    test::pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, (TransponderRecord{17, 3, 12188, -5, 1, 6, 7}));
}

TEST_F(TransponderEditTest, TextsWithoutANumberKeepTheStoredValue) {
    open({1, 2, 11954, 27500, 1, 2, 2});
    retype(field(dialog, u"frequencyField"_s), u"x12"_s);
    retype(field(dialog, u"symbolRateField"_s), u""_s);
    retype(field(dialog, u"antennaIdField"_s), u"-"_s);
    QTest::keyClick(field(dialog, u"antennaIdField"_s), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, (TransponderRecord{1, 2, 11954, 27500, 1, 2, 2}));
}

TEST_F(TransponderEditTest, StoredValuesOutOfRangeShowNoEntryAndComeBackAsMinusOne) {
    open({1, 2, 11954, 27500, 2, 7, 2});
    EXPECT_EQ(list(dialog, u"polarityList"_s)->currentIndex(), -1);
    EXPECT_EQ(list(dialog, u"fecList"_s)->currentIndex(), -1);
    test::pressOk(dialog);
    EXPECT_EQ(record, (TransponderRecord{1, 2, 11954, 27500, -1, -1, 2}));
}

TEST_F(TransponderEditTest, CancelLeavesTheRecordAsItWas) {
    const TransponderRecord stored{4, 1, 10714, 22000, 0, 5, 1};
    open(stored);
    retype(field(dialog, u"frequencyField"_s), u"1"_s);
    test::stepList(list(dialog, u"fecList"_s), -2);
    test::pressCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(record, stored);
}

} // namespace
} // namespace corvane
