// Names in the chosen code page through the dialogs and the lists, the Check panel following the
// document, and the report on the last Save.

#include "main_dialog_fixture.h"

#include "ui/edit_dialog_driver.h"
#include "ui/editor_settings.h"
#include "ui/editor_tools.h"
#include "ui/findings_dialog.h"
#include "ui/satellite_edit.h"

#include <QSettings>
#include <QTreeView>

#include <filesystem>
#include <optional>

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;

const NameEncoding kTurkish{NamePage::Iso8859_9};
const std::string kSanliurfa = "\xDE"
                               "anl\xFDurfa";

struct NameCase {
    NameEncoding encoding;
    std::string stored;
    QString shown;
    std::optional<QString> typed; // none: the name is left as shown
    std::string expected;
    QString refused = {}; // the character the message names
};

TEST(NamePages, TheSatelliteDialogShowsKeepsEncodesAndRefusesNames) {
    const NameEncoding utf8{NamePage::Utf8}, dvb{NamePage::Dvb, NamePage::Latin1};
    const std::vector<NameCase> cases = {
        {kTurkish, kSanliurfa, u"Şanlıurfa"_s, {}, kSanliurfa},
        {utf8, "Caf\xFF", u"Caf\uFFFD"_s, {}, "Caf\xFF"}, // undecodable, untouched
        {kTurkish, "x", u"x"_s, u"Şişli"_s, "\xDEi\xFEli"},
        {kTurkish, "x", u"x"_s, u"AЖK"_s, "x", u"Ж"_s},
        {{NamePage::Windows1251}, "x", u"x"_s, u"Москва"_s, "\xCC\xEE\xF1\xEA\xE2\xE0"},
        {{NamePage::Latin1}, "x", u"x"_s, u"Ş"_s, "x", u"Ş"_s},
        // 32 two-byte characters do not fit 63 bytes: the last one goes whole.
        {utf8, "x", u"x"_s, QString(32, u'ş'),
         [] {
             std::string s;
             for (int i = 0; i < 31; ++i)
                 s += "\xC5\x9F";
             return s;
         }()},
        {dvb, "\x05" + kSanliurfa, u"Şanlıurfa"_s, u"Şişli"_s, "\x05\xDEi\xFEli"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const NameCase& c = cases[i];
        const NameCodec codec(c.encoding);
        ScriptedPrompts prompts;
        SatelliteRecord record{1, {}, 100};
        setName(record.name, c.stored);
        SatelliteEdit dialog(prompts);
        dialog.setNames(&codec);
        dialog.SetRecord(&record);
        dialog.show();
        auto* field = control<QLineEdit>(dialog, u"nameField");
        EXPECT_EQ(field->text(), c.shown) << "case " << i;
        if (c.typed)
            act(dialog, {type(u"nameField", *c.typed)});
        end(dialog, End::Ok);
        EXPECT_EQ(std::string(nameView(record.name)), c.expected) << "case " << i;
        if (c.refused.isEmpty()) {
            EXPECT_TRUE(prompts.seen.empty()) << "case " << i;
            continue;
        }
        EXPECT_EQ(prompts.messageTexts(),
                  QStringList{u"The name cannot hold the character \"%1\"."_s.arg(c.refused)})
            << "case " << i;
        EXPECT_TRUE(dialog.isVisible()) << "case " << i;
        EXPECT_EQ(field->selectedText(), c.refused) << "case " << i;
    }
}

class NamePagesWindowTest : public MainDialogTest {
protected:
    void chooseEncoding(const QString& label) {
        for (QAction* a : window_->tools().encodingMenu()->actions())
            if (a->text() == label)
                return a->trigger();
        ADD_FAILURE() << label.toStdString();
    }
    // Opens the File menu with the mouse and picks `item`.
    void fileMenu(const QString& item) {
        auto* bar = window_->findChild<QMenuBar*>();
        QMenu* file = bar->actions().value(0)->menu();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(file->menuAction()).center());
        pick(file, item);
        reactivate();
    }
    QStringList findingTexts() const {
        QStringList texts;
        const QAbstractItemModel* m = window_->tools().checkPanel()->list()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            texts << m->index(r, 0).data().toString();
        return texts;
    }
};

TEST_F(NamePagesWindowTest, ATurkishListReadsInItsPageIsSavedAsItsBytesAndReported) {
    const QString ini = write("settings.ini", std::string());
    QSettings store(ini, QSettings::IniFormat);
    EditorSettings settings(store);
    window_->tools().useSettings(&settings);
    fs::copy_file(CORVANE_IMGPACK_PATH, scratch_.file("imgpack"));
    openThroughButton(write("tr.txt", "s \"" + kSanliurfa +
                                          "\" 9750 10600 u 42.0 east\r\n"
                                          "t 11000 27500 hor 0 14 0 3/4\r\n"));
    EXPECT_EQ(column(window_->satelliteList(), 2), Strings{"\xC3\x9E"
                                                           "anl\xC3\xBDurfa"});
    chooseEncoding(u"ISO-8859-9"_s);
    EXPECT_EQ(column(window_->satelliteList(), 2), Strings{"Şanlıurfa"});
    EXPECT_EQ(settings.nameEncoding(), u"ISO-8859-9"_s);
    MainDialog second(prompts_, editors_);
    second.tools().useSettings(&settings);
    EXPECT_EQ(second.tools().names().encoding(), kTurkish);

    QAction* report = window_->tools().exportReportAction();
    EXPECT_FALSE(report->isEnabled());
    prompts_.fileNames.push_back(QString::fromStdString(scratch_.file("tr.rs232")));
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_NE(corvane::testing::readText(scratch_.file("tr.cdd")).find(kSanliurfa),
              std::string::npos);
    ASSERT_TRUE(report->isEnabled());
    prompts_.fileNames.push_back(QString::fromStdString(scratch_.file("signed.pdf")));
    fileMenu(u"&Export report..."_s);
    EXPECT_EQ(prompts_.seen.back().defaultSuffix, u"pdf"_s);
    EXPECT_EQ(corvane::testing::readText(scratch_.file("signed.pdf")).substr(0, 5), "%PDF-");
    const std::string csv = corvane::testing::readText(scratch_.file("signed.csv"));
    EXPECT_NE(csv.find("Şanlıurfa"), std::string::npos);
    EXPECT_NE(csv.find("tr.rs232"), std::string::npos);
}

TEST_F(NamePagesWindowTest, TheCheckPanelFollowsEachChangeAndShowsTheRecordOfAFinding) {
    openThroughButton(write("list.txt", kSmallText));
    keyToFocus(Qt::Key_F7);
    FindingsDialog* panel = window_->tools().checkPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isModal());
    const QStringList before = findingTexts();

    prompts_.answers = {true};
    clickRow(window_->antennaList(), 1);
    keyOn(window_->antennaList(), Qt::Key_Delete);
    QCoreApplication::processEvents();
    const QStringList after = findingTexts();
    const auto at = after.indexOf(u"transponder 2: antenna 1 does not exist"_s);
    ASSERT_GE(at, 0) << after.join(u'\n').toStdString();

    window_->fillTransponderList(0);
    QTreeView* list = panel->list();
    const QPoint where = list->visualRect(list->model()->index(static_cast<int>(at), 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, where);
    EXPECT_EQ(window_->transponderFilter(), 1);
    EXPECT_EQ(window_->currentTransponder(), 2);

    window_->document().history().undo();
    QCoreApplication::processEvents();
    EXPECT_EQ(findingTexts(), before);
}

} // namespace
} // namespace corvane::test
