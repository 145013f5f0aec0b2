// The four edit dialogs driven as a user drives them, each case a stored record, what the user
// does, how the dialog is ended and the record that results.

#include "ui/antenna_edit.h"
#include "ui/record_editors.h"
#include "ui/satellite_edit.h"
#include "ui/service_edit.h"
#include "ui/transponder_edit.h"

#include "ui/edit_dialog_driver.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>

namespace corvane {
namespace {

using namespace Qt::StringLiterals;
using test::Act;
using test::click;
using test::edit;
using test::End;
using test::step;
using test::type;

const QString kLongitudeError = u"Longitude error(in range 0 - 1800)!"_s;
const QString kEmptyName = u"Satellite Name cannot be empty!!"_s;
const std::string k63(63, 'n');

template <typename R> R named(R r, const std::string& name) {
    setName(r.name, name);
    return r;
}

SatelliteRecord sat(int32_t longitude, const std::string& name = "S") {
    return named(SatelliteRecord{7, {}, longitude}, name);
}

template <typename Record> struct Case {
    Record stored;
    std::vector<Act> acts;
    Record expected;
    QStringList messages = {};
    End how = End::Ok;
};

template <typename Dialog, typename Record> void check(const std::vector<Case<Record>>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case<Record>& c = cases[i];
        const test::Outcome<Record> out = edit<Dialog>(c.stored, c.acts, c.how);
        EXPECT_EQ(out.record, c.expected) << "case " << i;
        EXPECT_EQ(out.messages, c.messages) << "case " << i;
        const bool accepted = c.messages.empty() && (c.how == End::Ok || c.how == End::Enter);
        EXPECT_EQ(out.result, accepted ? QDialog::Accepted : QDialog::Rejected) << "case " << i;
    }
}

TEST(SatelliteEdit, PositionsNamesAndChecks) {
    const Act longitude0 = type(u"longitudeField", u"0"), west = click(u"westBox");
    check<SatelliteEdit, SatelliteRecord>({
        {sat(3600), {}, sat(3600)},
        {sat(1000), {longitude0, west}, sat(3600)},
        {sat(1000), {type(u"longitudeField", u"1800"), west}, sat(1800)},
        {sat(3300), {type(u"longitudeField", u"192"), west}, sat(192)},
        {sat(0), {type(u"longitudeField", u"-1x2")}, sat(12)}, // the field takes digits only
        {sat(0), {type(u"longitudeField", u"1801")}, sat(0), {kLongitudeError}},
        {sat(0), {type(u"longitudeField", u"")}, sat(0), {kLongitudeError}},
        {sat(0, ""), {type(u"longitudeField", u"99999999999")}, sat(0, ""), {kLongitudeError}},
        {sat(0, ""), {}, sat(0, ""), {kEmptyName}},
        {sat(0), {type(u"nameField", u"   ")}, sat(0, "   ")},
        {sat(0), {type(u"nameField", QString(32, u'a'))}, sat(0, std::string(32, 'a'))},
        {sat(0), {type(u"nameField", QString(40, u'b'))}, sat(0, std::string(32, 'b'))},
        {sat(0, k63), {longitude0}, sat(0, k63)},
        {sat(0, k63),
         {type(u"nameField", QString::fromStdString(k63.substr(1) + "x"))},
         sat(0, std::string(32, 'n'))},
        {sat(0), {type(u"nameField", u"Caf\u00e9")}, sat(0, "Caf\xe9")},
        {sat(5), {type(u"nameField", u"X"), longitude0, west}, sat(5), {}, End::Cancel},
        {sat(5), {type(u"nameField", u"X")}, sat(5), {}, End::Escape},
        {sat(5), {type(u"nameField", u"X")}, sat(5), {}, End::Close},
        {sat(5), {type(u"nameField", u"X")}, sat(5, "X"), {}, End::Enter},
    });
}

TEST(SatelliteEdit, Shows1800AsEastAndBeyondAsWest) {
    const std::tuple<int32_t, const char16_t*, bool> cases[] = {
        {1800, u"1800", false}, {1801, u"1799", true}, {3600, u"0", true}};
    for (const auto& [stored, shown, west] : cases) {
        test::ScriptedPrompts prompts;
        SatelliteRecord record = sat(stored);
        SatelliteEdit dialog(prompts);
        dialog.SetRecord(&record);
        dialog.show();
        EXPECT_EQ(test::control<QLineEdit>(dialog, u"longitudeField")->text(), shown);
        EXPECT_EQ(test::control<QCheckBox>(dialog, u"westBox")->isChecked(), west) << stored;
    }
}

TEST(SatelliteEdit, KeepsTheInputAfterAMessageAndFocusesTheFaultyField) {
    test::ScriptedPrompts prompts;
    SatelliteRecord record = sat(0, "");
    SatelliteEdit dialog(prompts);
    dialog.SetRecord(&record);
    dialog.show();
    auto* name = test::control<QLineEdit>(dialog, u"nameField");
    auto* longitude = test::control<QLineEdit>(dialog, u"longitudeField");
    test::act(dialog, {type(u"longitudeField", u"1801")});
    test::end(dialog, End::Ok);
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&dialog, &activation);
    EXPECT_EQ(dialog.focusWidget(), longitude);
    EXPECT_EQ(longitude->text(), u"1801"_s);

    test::act(dialog, {type(u"longitudeField", u"10")});
    test::end(dialog, End::Ok);
    EXPECT_EQ(dialog.focusWidget(), name);
    EXPECT_EQ(prompts.messageTexts(), (QStringList{kLongitudeError, kEmptyName}));

    // A character Latin-1 cannot hold is refused and shown to the user.
    test::act(dialog, {type(u"nameField", u"\u0141\u00f3d\u017a")});
    test::end(dialog, End::Ok);
    EXPECT_EQ(prompts.seen.back().icon, MessageIcon::Exclamation);
    EXPECT_TRUE(prompts.seen.back().text.contains(u"\u0141"_s));
    EXPECT_EQ(name->selectedText(), u"\u0141"_s);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(record, sat(0, ""));
}

QString outOfRange(const char* name, int64_t max) {
    return u"%1 must be a whole number from 0 to %2."_s.arg(QString::fromLatin1(name)).arg(max);
}

TEST(TransponderEdit, NumbersAndListPositions) {
    const TransponderRecord stored{17, 3, 11954, 27500, 1, 2, 3};
    check<TransponderEdit, TransponderRecord>({
        {stored, {}, stored},
        {stored,
         {type(u"frequencyField", u" 12188 "), type(u"symbolRateField", u"16777215"),
          type(u"antennaIdField", u"+255"), step(u"polarityList", -1), step(u"fecList", 4)},
         {17, 3, 12188, 16777215, 0, 6, 255}},
        {{1, 2, 3, 4, 2, 7, 5}, {}, {1, 2, 3, 4, -1, -1, 5}}, // no entry shown, none stored
        {stored, {type(u"frequencyField", u"1"), step(u"fecList", 1)}, stored, {}, End::Cancel},
    });
}

// Each value the .cdd file cannot give back, or that is not a whole number, is refused at OK by
// naming the field and its range; the record stays as it was.
TEST(TransponderEdit, RefusesWhatTheFileCannotHold) {
    const TransponderRecord stored{17, 3, 11954, 27500, 1, 2, 3};
    const QString frequency = outOfRange("Frequency", INT32_MAX);
    const QString symbolRate = outOfRange("Symbol Rate", 16777215);
    const QString antenna = outOfRange("Antenna Id", 255);
    check<TransponderEdit, TransponderRecord>({
        {stored, {type(u"frequencyField", u"12188abc")}, stored, {frequency}},
        {stored, {type(u"frequencyField", u"abc")}, stored, {frequency}},
        {stored, {type(u"frequencyField", u"")}, stored, {frequency}},
        {stored, {type(u"frequencyField", u"-1")}, stored, {frequency}},
        {stored, {type(u"frequencyField", u"2147483648")}, stored, {frequency}},
        {stored, {type(u"symbolRateField", u"-5")}, stored, {symbolRate}},
        {stored, {type(u"symbolRateField", u"16777216")}, stored, {symbolRate}},
        {stored, {type(u"symbolRateField", u"3.5")}, stored, {symbolRate}},
        {stored, {type(u"antennaIdField", u"256")}, stored, {antenna}},
        {stored, {type(u"antennaIdField", u"-")}, stored, {antenna}},
    });
}

ServiceRecord svc(int32_t favorites, const std::string& name = "S") {
    return named(ServiceRecord{12, 4, {}, 5101, 5102, 5103, 11100, 1, favorites, 0}, name);
}

TEST(ServiceEdit, FieldsFavouritesAndNames) {
    ServiceRecord tail = svc(0, "Long name");
    tail.name[20] = 'z'; // left behind the NUL by some files
    ServiceRecord caMode2 = svc(0);
    caMode2.caMode = 2;
    check<ServiceEdit, ServiceRecord>({
        {caMode2,
         {type(u"numberField", u"5"), type(u"videoPidField", u"  6110"),
          type(u"pcrPidField", u"8191"), type(u"serviceIdField", u"65535"),
          type(u"transponderIdField", u"3"), click(u"lockBox")},
         named(ServiceRecord{3, 5, {}, 6110, 5102, 8191, 65535, 1, 0, 1}, "S")},
        {svc(0),
         {click(u"caModeBox"), step(u"favoriteList", 3)},
         named(ServiceRecord{12, 4, {}, 5101, 5102, 5103, 11100, 0, 4, 0}, "S")},
        // The list shows the lowest group; a mask it cannot show stays until another is chosen.
        {svc(5), {}, svc(5)},
        {svc(5), {step(u"favoriteList", 1)}, svc(2)},
        {svc(0x300), {}, svc(0x300)},
        {svc(0x300), {step(u"favoriteList", 1)}, svc(1)},
        {svc(128), {step(u"favoriteList", -8)}, svc(0)},
        {svc(0), {step(u"favoriteList", 8)}, svc(128)},
        {svc(0), {type(u"nameField", u"")}, svc(0, "")},
        {tail, {}, tail},
        {tail, {type(u"nameField", u"ABC")}, svc(0, "ABC")},
        {svc(0),
         {type(u"nameField", u"\u20ac")},
         svc(0),
         {u"The name cannot hold the character \"\u20ac\"."_s}},
        {svc(3), {type(u"nameField", u"X"), step(u"favoriteList", 2)}, svc(3), {}, End::Escape},
    });
}

TEST(ServiceEdit, RefusesWhatTheFileCannotHoldOrLeavesOut) {
    const QString pid = outOfRange("Video PID", 8191);
    const QString noPid = u"Video PID, Audio PID and PCR PID cannot all be 0."_s;
    const Act noAudio = type(u"audioPidField", u"0"), noPcr = type(u"pcrPidField", u"0");
    check<ServiceEdit, ServiceRecord>({
        {svc(0), {type(u"numberField", u"65536")}, svc(0), {outOfRange("Service No", 65535)}},
        {svc(0), {type(u"numberField", u"5x")}, svc(0), {outOfRange("Service No", 65535)}},
        {svc(0), {type(u"videoPidField", u"9000")}, svc(0), {pid}},
        {svc(0), {type(u"videoPidField", u"-1")}, svc(0), {pid}},
        {svc(0), {type(u"audioPidField", u"a")}, svc(0), {outOfRange("Audio PID", 8191)}},
        {svc(0), {type(u"pcrPidField", u"8192")}, svc(0), {outOfRange("PCR PID", 8191)}},
        {svc(0), {type(u"serviceIdField", u"70000")}, svc(0), {outOfRange("Service ID", 65535)}},
        {svc(0), {type(u"transponderIdField", u"")}, svc(0), {outOfRange("TP ID", 65535)}},
        {svc(0), {type(u"videoPidField", u"0"), noAudio, noPcr}, svc(0), {noPid}},
    });
}

TEST(ServiceEdit, RefusesATransponderThatDoesNotExist) {
    test::ScriptedPrompts prompts;
    ServiceRecord record = svc(0);
    ServiceEdit dialog(prompts);
    dialog.setTransponderCheck([](int32_t id) { return id == 4 || id == 6; });
    dialog.SetRecord(&record);
    dialog.show();
    auto* field = test::control<QLineEdit>(dialog, u"transponderIdField");
    test::act(dialog, {type(u"transponderIdField", u"999")});
    test::end(dialog, End::Ok);
    EXPECT_EQ(prompts.messageTexts(), QStringList{u"There is no transponder with TP ID 999."_s});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), field);
    EXPECT_EQ(field->selectedText(), u"999"_s);
    EXPECT_EQ(record, svc(0));
    test::act(dialog, {type(u"transponderIdField", u"6")});
    test::end(dialog, End::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record.transponderId, 6);
}

AntennaRecord ant(std::initializer_list<std::pair<int32_t AntennaRecord::*, int32_t>> changes) {
    AntennaRecord r{5, 9750, 10600, 11700, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 6};
    for (const auto& [field, value] : changes)
        r.*field = value;
    return r;
}

TEST(AntennaEdit, ListsFrequenciesTunerMaskAndKey) {
    using A = AntennaRecord;
    check<AntennaEdit, AntennaRecord>({
        {ant({}), {}, ant({})},
        {ant({{&A::tunerMask, 0}}), {}, ant({}), {}, End::Cancel}, // 0 becomes 3 when shown
        {ant({{&A::lnbVoltage, 2}, {&A::uncommitted, 3}}),
         {type(u"lowFreqField", u"5150"), step(u"lnbTypeList", 3), step(u"lnbPowerList", 1),
          step(u"toneburstList", 2), step(u"committed10List", 4), step(u"committed11List", 1),
          step(u"repeatedTimesList", 2), step(u"switch22kList", 1), step(u"switch12vList", 1),
          step(u"tunerMaskList", -2), step(u"diseqcTypeList", 1)},
         {5, 5150, 10600, 11700, 3, 1, 2, 2, 4, 3, 1, 2, 1, 1, 1, 1, 6}},
        {ant({}), {step(u"lnbTypeList", 2)}, ant({{&A::lnbType, 2}})}, // the first of two "WIDE_VL"
        {ant({{&A::lnbType, 5}, {&A::switch22k, -1}, {&A::tunerMask, 4}}),
         {},
         ant({{&A::lnbType, -1}, {&A::switch22k, -1}, {&A::tunerMask, 0}})},
        {ant({{&A::antennaKey, 0x11170}}), {}, ant({{&A::antennaKey, 0x1170}})},
        {ant({{&A::antennaKey, -1}}), {}, ant({{&A::antennaKey, 0xFFFF}})},
        {ant({}), {type(u"lowFreqField", u"1"), step(u"lnbTypeList", 1)}, ant({}), {}, End::Cancel},
    });
}

TEST(AntennaEdit, RefusesFrequenciesTheFileCannotHoldAndShowsCenterFreqReadOnly) {
    const QString low = outOfRange("Low Freq", INT32_MAX);
    check<AntennaEdit, AntennaRecord>({
        {ant({}), {type(u"lowFreqField", u"-1")}, ant({}), {low}},
        {ant({}), {type(u"lowFreqField", u"5150MHz")}, ant({}), {low}},
        {ant({}), {type(u"lowFreqField", u"99999999999")}, ant({}), {low}},
        {ant({}), {type(u"highFreqField", u"high")}, ant({}), {outOfRange("High Freq", INT32_MAX)}},
    });
    test::ScriptedPrompts prompts;
    AntennaEdit dialog(prompts);
    EXPECT_FALSE(test::control<QLineEdit>(dialog, u"centerFreqField")->isEnabled());
}

// Acts on the next modal dialog once its loop runs; should none appear, every open dialog is
// cancelled, so a fault fails the test instead of hanging it.
void whenModal(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            return act(*dialog);
        ADD_FAILURE() << "no modal dialog";
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
    });
}

TEST(DialogRecordEditors, RunEachDialogModallyAndReportOk) {
    test::ScriptedPrompts prompts;
    DialogRecordEditors editors(prompts);
    SatelliteRecord satellite = sat(0);
    whenModal([](QDialog& d) {
        test::act(d, {type(u"nameField", u"Thor")});
        test::end(d, End::Ok);
    });
    EXPECT_TRUE(editors.editSatellite(nullptr, satellite));
    EXPECT_EQ(satellite, sat(0, "Thor"));
    AntennaRecord antenna{};
    whenModal([](QDialog& d) { test::end(d, End::Cancel); });
    EXPECT_FALSE(editors.editAntenna(nullptr, antenna));
    EXPECT_EQ(antenna.tunerMask, 3);
}

} // namespace
} // namespace corvane
