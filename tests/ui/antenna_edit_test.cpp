#include "ui/antenna_edit.h"

#include "ui/edit_dialog_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;
using test::field;
using test::list;
using test::retype;

// What Add hands the dialog for antenna 5.
AntennaRecord added() {
    AntennaRecord r;
    r.id = 5;
    r.lowFreq = 9750;
    r.highFreq = 10600;
    r.centerFreq = 11700;
    r.antennaKey = 6;
    return r;
}

class AntennaEditTest : public ::testing::Test {
protected:
    void open(const AntennaRecord& r) {
        record = r;
        dialog.SetRecord(&record);
        dialog.show();
    }
    QString shown(const char16_t* name) {
        return list(dialog, QString::fromUtf16(name))->currentText();
    }

    AntennaRecord record;
    AntennaEdit dialog;
};

TEST_F(AntennaEditTest, NewAntennaShowsDefaultsAndGetsBothTunersEvenOnCancel) {
    open(added());
    EXPECT_EQ(dialog.GetRecord(), &record);
    EXPECT_EQ(field(dialog, u"lowFreqField"_s)->text(), u"9750"_s);
    EXPECT_EQ(field(dialog, u"highFreqField"_s)->text(), u"10600"_s);
    EXPECT_EQ(field(dialog, u"centerFreqField"_s)->text(), u"11700"_s);
    const QStringList lists{shown(u"lnbTypeList"),     shown(u"lnbPowerList"),
                            shown(u"toneburstList"),   shown(u"committed10List"),
                            shown(u"committed11List"), shown(u"repeatedTimesList"),
                            shown(u"switch22kList"),   shown(u"switch12vList"),
                            shown(u"tunerMaskList"),   shown(u"diseqcTypeList")};
    EXPECT_EQ(lists, (QStringList{u"UNIVERSAL1"_s, u"OFF"_s, u"NONE"_s, u"OFF"_s, u"OFF"_s,
                                  u"NoRepeat"_s, u"OFF"_s, u"0V"_s, u"ALL"_s, u"FALSE"_s}));
    for (const char16_t* name :
         {u"indexField", u"uncommittedField", u"lnbVoltageField", u"antennaKeyField"})
        EXPECT_FALSE(field(dialog, QString::fromUtf16(name))->isEnabled());
    EXPECT_EQ(field(dialog, u"indexField"_s)->text(), u"5"_s);
    EXPECT_EQ(field(dialog, u"antennaKeyField"_s)->text(), u"6"_s);
    EXPECT_EQ(record.tunerMask, 3);

    retype(field(dialog, u"lowFreqField"_s), u"5150"_s);
    test::stepList(list(dialog, u"lnbTypeList"_s), 4);
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&dialog, &activation);
    EXPECT_EQ(field(dialog, u"lowFreqField"_s)->text(), u"5150"_s);
    test::pressCancel(dialog);
    AntennaRecord expected = added();
    expected.tunerMask = 3;
    EXPECT_EQ(record, expected);
}

TEST_F(AntennaEditTest, OkStoresListPositionsAndTheNumbersFieldsBeginWith) {
    AntennaRecord stored = added();
    stored.lnbVoltage = 2;
    stored.uncommitted = 3;
    stored.tunerMask = 3;
    open(stored);
    retype(field(dialog, u"lowFreqField"_s), u"9750MHz"_s);
    retype(field(dialog, u"highFreqField"_s), u"high"_s);
    retype(field(dialog, u"centerFreqField"_s), u"-1"_s);
    const std::pair<const char16_t*, int> steps[] = {
        {u"lnbTypeList", 3},     {u"lnbPowerList", 1},    {u"toneburstList", 2},
        {u"committed10List", 4}, {u"committed11List", 1}, {u"repeatedTimesList", 2},
        {u"switch22kList", 1},   {u"switch12vList", 1},   {u"tunerMaskList", -2},
        {u"diseqcTypeList", 1}};
    for (const auto& [name, n] : steps)
        test::stepList(list(dialog, QString::fromUtf16(name)), n);
    EXPECT_EQ(shown(u"lnbTypeList"), u"WIDE_VL"_s);
    EXPECT_EQ(shown(u"tunerMaskList"), u"Tuner 1"_s);
    QTest::keyClick(list(dialog, u"diseqcTypeList"_s), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record, (AntennaRecord{5, 9750, 10600, -1, 3, 1, 2, 2, 4, 3, 1, 2, 1, 1, 1, 1, 6}));
}

TEST(AntennaEdit, TheTwoWideEntriesStoreTheirOwnPositions) {
    for (const int position : {2, 3}) {
        AntennaRecord r = added();
        AntennaEdit dialog;
        dialog.SetRecord(&r);
        dialog.show();
        test::stepList(list(dialog, u"lnbTypeList"_s), position);
        test::pressOk(dialog);
        EXPECT_EQ(r.lnbType, position);
    }
}

TEST_F(AntennaEditTest, StoredValuesOutOfRangeShowNoEntryAndTheKeyKeepsItsLow16Bits) {
    AntennaRecord stored = added();
    stored.lnbType = 5;
    stored.switch22k = -1;
    stored.tunerMask = 4;
    stored.antennaKey = 0x11170;
    open(stored);
    EXPECT_EQ(list(dialog, u"lnbTypeList"_s)->currentIndex(), -1);
    EXPECT_EQ(list(dialog, u"tunerMaskList"_s)->currentIndex(), -1);
    EXPECT_EQ(record, stored); // only a mask of 0 is changed by showing
    test::pressOk(dialog);
    AntennaRecord expected = stored;
    expected.lnbType = -1;
    expected.switch22k = -1;
    expected.tunerMask = 0;
    expected.antennaKey = 0x1170;
    EXPECT_EQ(record, expected);

    AntennaRecord negativeKey = added();
    negativeKey.antennaKey = -1;
    AntennaEdit again;
    again.SetRecord(&negativeKey);
    again.show();
    test::pressOk(again);
    EXPECT_EQ(negativeKey.antennaKey, 0xFFFF);
}

} // namespace
} // namespace corvane
