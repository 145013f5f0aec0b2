#include "main_dialog_fixture.h"

#include "ui/about_dialog.h"
#include "ui/dialog_units.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>

namespace corvane::test {
namespace {

TEST_F(MainDialogTest, ControlsCaptionsColumnsAndTabOrder) {
    EXPECT_EQ(shownTitle(), "Corvane [v1.0.3]");
    auto* open = child<QPushButton>("openButton");
    EXPECT_EQ(open->text(), QStringLiteral("Open"));
    EXPECT_TRUE(open->isDefault());
    EXPECT_EQ(child<QPushButton>("saveButton")->text(), QStringLiteral("Save"));
    EXPECT_EQ(child<QCheckBox>("showAllBox")->text(), QStringLiteral("Show All Channel"));
    const std::pair<const char*, const char*> groups[] = {{"satelliteGroup", "Satellite"},
                                                          {"transponderGroup", "Transponder"},
                                                          {"serviceGroup", "Service"},
                                                          {"antennaGroup", "Antenna"}};
    for (const auto& [name, title] : groups)
        EXPECT_EQ(child<QGroupBox>(name)->title(), QString::fromLatin1(title));

    const std::pair<DragListCtrl*, const char*> lists[] = {
        {window_->satelliteList(), "Id East Name"},
        {window_->transponderList(), "Id Freq. SR. Pol FEC Ante"},
        {window_->serviceList(),
         "No. TYPE Name. Sat_ID V_Pid A_Pid PCR_Pid SID CA_Mode Favor Lock"},
        {window_->antennaList(),
         "Id. Low_freq High_freq Center_freq Lnb_type Lnb_power Lnb_voltage toneburst committed10 "
         "uncommitted committed11 repeated_times switch22k swith12v tuner_mask diseqc_type "
         "antenna_key"}};
    for (const auto& [list, headers] : lists) {
        QStringList shown;
        const QHeaderView* header = list->horizontalHeader();
        for (int c = 0; c < list->model()->columnCount(); ++c) {
            shown << list->model()->headerData(c, Qt::Horizontal).toString().replace(u' ', u'_');
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << "header cut short";
        }
        EXPECT_EQ(shown.join(u' '), QString::fromLatin1(headers));
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        EXPECT_EQ(list->selectionHiddenWithoutFocus(), list == window_->satelliteList());
    }

    QStringList order;
    QWidget* w = open;
    for (int i = 0; i < 7; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(order.join(u' '), QStringLiteral("openButton saveButton satelliteList "
                                               "transponderList serviceList antennaList "
                                               "showAllBox"));
    EXPECT_EQ(QApplication::focusWidget(), open);
}

TEST_F(MainDialogTest, OpensAtTemplateSizeAndTheListsGrowWithoutOverlapping) {
    auto* area = child<QWidget>("templateArea");
    EXPECT_EQ(area->size(), DialogUnits(window_->font()).size(420, 402));
    const auto siblingsApart = [&] {
        const QWidget* boxes[] = {
            child<QGroupBox>("satelliteGroup"), child<QGroupBox>("transponderGroup"),
            child<QGroupBox>("serviceGroup"),   child<QGroupBox>("antennaGroup"),
            child<QCheckBox>("showAllBox"),     child<QPushButton>("openButton"),
            child<QPushButton>("saveButton")};
        for (const QWidget* a : boxes) {
            EXPECT_TRUE(area->rect().contains(a->geometry())) << a->objectName().toStdString();
            for (const QWidget* b : boxes)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " / " << b->objectName().toStdString();
        }
        for (const char* name : {"satellite", "transponder", "service", "antenna"}) {
            const QWidget* list = child<QWidget>((std::string(name) + "List").c_str());
            const QWidget* box = child<QWidget>((std::string(name) + "Group").c_str());
            EXPECT_TRUE(box->geometry().contains(list->geometry())) << name;
        }
    };
    siblingsApart();
    const QSize before = window_->serviceList()->size();
    const DragListCtrl* lists[] = {window_->satelliteList(), window_->transponderList(),
                                   window_->serviceList(), window_->antennaList()};
    std::vector<int> lastWidths;
    for (const DragListCtrl* list : lists) {
        const QHeaderView* header = list->horizontalHeader();
        lastWidths.push_back(header->sectionSize(header->count() - 1));
    }
    window_->resize(window_->size() + QSize(400, 300));
    QApplication::processEvents();
    siblingsApart();
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        // The last column reaches the right edge, and no column shrank.
        const QHeaderView* header = lists[i]->horizontalHeader();
        const int last = header->count() - 1;
        EXPECT_GE(header->sectionSize(last), lastWidths[i]) << i;
        EXPECT_GE(header->sectionViewportPosition(last) + header->sectionSize(last),
                  lists[i]->viewport()->width())
            << i;
    }
    EXPECT_EQ(window_->serviceList()->width(), before.width() + 400);
    EXPECT_GT(window_->serviceList()->height(), before.height() + 100);
    EXPECT_GT(window_->satelliteList()->width(), window_->satelliteList()->minimumWidth());
}

// Values at the edges of each column's rule, loaded as the list commands will change them.
TEST_F(MainDialogTest, FillsFormatEveryColumnFromItsOwnRecord) {
    ChannelDatabase db;
    db.satellites.append({.id = 1, .name = {'W', 'e', 's', 't'}, .longitude = 3408});
    db.satellites.append({.id = 1, .name = {'C', 'a', 'f', '\xe9'}, .longitude = 0});
    db.transponders.append({.id = 4, .satelliteId = 7, .polarity = 2, .fec = 9, .antennaId = 3});
    db.transponders.append({.id = 4, .satelliteId = 8, .polarity = 0, .fec = 0});
    db.transponders.append({.id = 5, .satelliteId = 9, .polarity = 1, .fec = 6});
    db.transponders.append({.id = 6, .satelliteId = 9, .fec = -1});
    db.services.append({.transponderId = 4,
                        .number = 0,
                        .videoPid = 1,
                        .audioPid = 2,
                        .pcrPid = 3,
                        .serviceId = 4,
                        .caMode = 2,
                        .favorites = 0x06,
                        .lock = 1});
    db.services.append({.transponderId = 99, .number = 1, .favorites = 0x100});
    db.services.append({.transponderId = 5, .number = 2147483647, .favorites = 0x80});
    AntennaRecord antenna{.id = 2, .lowFreq = 9750, .highFreq = 10600, .centerFreq = 12000};
    antenna.tunerMask = 3;
    antenna.antennaKey = 3;
    db.antennas.append(antenna);
    load(db);
    window_->fillTransponderList(-1);
    window_->fillServiceList(-1);

    using Rows = std::vector<Strings>;
    EXPECT_EQ(cells(window_->satelliteList()),
              (Rows{{"1", "3408", "West"}, {"1", "0", "Caf\u00e9"}}));
    EXPECT_EQ(cells(window_->transponderList()), (Rows{{"4", "0", "0", "V", "err", "3"},
                                                       {"4", "0", "0", "H", "Auto", "0"},
                                                       {"5", "0", "0", "V", "8/9", "0"},
                                                       {"6", "0", "0", "H", "err", "0"}}));
    EXPECT_EQ(cells(window_->serviceList()),
              (Rows{{"1", "video", "", "7", "1", "2", "3", "4", "Y", "Fav2", "Y"},
                    {"2", "radio", "", "", "0", "0", "0", "0", "N", "NoFav", "N"},
                    {"-2147483648", "radio", "", "9", "0", "0", "0", "0", "N", "Fav8", "N"}}));
    EXPECT_EQ(cells(window_->antennaList()),
              (Rows{{"2", "9750", "10600", "11700", "0", "0", "0", "0", "0", "0", "0", "0", "0",
                     "0", "3", "0", "3"}}));
    EXPECT_EQ(window_->database().antennas.front().centerFreq, 11700);

    // Rows show their own records, so a later change to one record shows in its row only.
    window_->document().transact(QStringLiteral("Rename"), [](ChannelDatabase& d, TouchedRows&) {
        setName(d.satellites.back().name, "Renamed");
        return true;
    });
    EXPECT_EQ(column(window_->satelliteList(), 2), (Strings{"West", "Renamed"}));

    // The service list sees a transponder moved to another satellite.
    window_->document().transact(QStringLiteral("Move"), [](ChannelDatabase& d, TouchedRows&) {
        d.transponders.front().satelliteId = 3;
        return true;
    });
    EXPECT_EQ(column(window_->serviceList(), 3), (Strings{"3", "", "9"}));

    window_->fillTransponderList(9);
    EXPECT_EQ(column(window_->transponderList(), 0), (Strings{"5", "6"}));
    window_->fillServiceList(5);
    EXPECT_EQ(column(window_->serviceList(), 0), (Strings{"-2147483648"}));
}

TEST_F(MainDialogTest, ClicksLinkTheListsAndKeyboardMovesDoNot) {
    openThroughButton(write("small.txt", kSmallText));
    DragListCtrl* satellites = window_->satelliteList();
    DragListCtrl* transponders = window_->transponderList();
    DragListCtrl* services = window_->serviceList();
    EXPECT_EQ(column(transponders, 1), (Strings{"11000", "11100"}));

    clickRow(satellites, 1);
    EXPECT_EQ(column(transponders, 1), (Strings{"12000"}));
    QTest::keyClick(satellites, Qt::Key_Up);
    EXPECT_EQ(column(transponders, 1), (Strings{"12000"})) << "keyboard moves do not link";
    clickRow(satellites, 2);
    EXPECT_TRUE(column(transponders, 0).empty()) << "Sat C has no transponders";
    const QPoint belowRows(5, satellites->viewport()->height() - 3);
    QTest::mouseClick(satellites->viewport(), Qt::LeftButton, {}, belowRows);
    EXPECT_TRUE(column(transponders, 0).empty()) << "a click beside the rows changes nothing";

    clickRow(satellites, 0);
    clickShowAll();
    EXPECT_EQ(column(services, 2), (Strings{"One", "Two", "Three"}));
    EXPECT_EQ(column(services, 3), (Strings{"0", "0", "1"}));
    clickRow(transponders, 1);
    EXPECT_FALSE(window_->showAllChannels()) << "a transponder click clears the box";
    EXPECT_EQ(column(services, 2), (Strings{"Two"}));
    QTest::keyClick(transponders, Qt::Key_Up);
    EXPECT_EQ(column(services, 2), (Strings{"Two"}));
    clickShowAll();
    EXPECT_EQ(column(services, 2).size(), 3u);
    clickShowAll();
    EXPECT_EQ(column(services, 2), (Strings{"One"})) << "the row last selected, by key";
    EXPECT_FALSE(window_->isModified());
}

TEST_F(MainDialogTest, TheQuestionBeforeDiscardingChanges) {
    keyToFocus(Qt::Key_Escape);
    EXPECT_FALSE(window_->isVisible()) << "nothing changed: Escape ends at once";
    EXPECT_TRUE(prompts_.seen.empty());

    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    markChanged();
    EXPECT_EQ(shownTitle(), "Corvane [v1.0.3]*");
    const auto askedAndAnswered = [&](bool answer, auto action) {
        prompts_.seen.clear();
        prompts_.answers.push_back(answer);
        action();
        ASSERT_EQ(prompts_.seen.size(), 1u);
        EXPECT_EQ(prompts_.seen[0].kind, Prompt::Kind::Question);
        EXPECT_EQ(window_->isVisible(), !answer);
    };
    askedAndAnswered(false, [&] { keyToFocus(Qt::Key_Escape); });
    askedAndAnswered(false, [&] { window_->close(); });
    askedAndAnswered(false, [&] { keyToFocus(Qt::Key_Q, Qt::ControlModifier); });
    // Open asks before the file dialog; No keeps the data and opens nothing.
    askedAndAnswered(false, [&] { keyToFocus(Qt::Key_O, Qt::ControlModifier); });
    prompts_.answers.push_back(true);
    openThroughButton(write("small.txt", kSmallText));
    EXPECT_EQ(window_->database().satellites.size(), 3u);
    EXPECT_FALSE(window_->isModified());
    EXPECT_EQ(shownTitle(), "Corvane [v1.0.3] - small.txt");

    markChanged();
    askedAndAnswered(true, [&] { keyToFocus(Qt::Key_Q, Qt::ControlModifier); });
    EXPECT_EQ(window_->result(), QDialog::Rejected);
}

TEST_F(MainDialogTest, EnterOpensEvenFromAList) {
    window_->serviceList()->setFocus();
    prompts_.fileNames.push_back({}); // cancel
    QTest::keyClick(window_->serviceList(), Qt::Key_Return);
    ASSERT_EQ(prompts_.seen.size(), 1u);
    EXPECT_EQ(prompts_.seen[0].kind, Prompt::Kind::OpenFile);
    EXPECT_EQ(strings(prompts_.seen[0].filters),
              (Strings{"All Support (*.txt *.ftc *.cdd *.bin)", "SatcoDX (*.sdx)",
                       "satellites.xml (*.xml)", "corvane-tool JSON (*.json)", "All files (*)"}));
    EXPECT_EQ(prompts_.seen.size(), 1u) << "a cancelled dialog opens nothing";
}

TEST_F(MainDialogTest, AboutBoxFromF1) {
    keyToFocus(Qt::Key_F1);
    auto* about = window_->findChild<AboutDialog*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Corvane"));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("aboutText"))->text(),
              QStringLiteral("Corvane 1.0 \u7248"));
    EXPECT_FALSE(about->findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().isNull());
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("aboutOk")), Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
}

TEST(ListModels, MoveRowsUsesTheDestinationBeforeTheMove) {
    const std::vector<SatelliteRecord> records{{.id = 0}, {.id = 1}, {.id = 2}, {.id = 3}};
    const auto keysAfter = [&](int from, int to, bool moved) {
        SatelliteListModel model;
        model.setRows({&records[0], &records[1], &records[2], &records[3]});
        EXPECT_EQ(model.moveRows({}, from, 1, {}, to), moved) << from << " -> " << to;
        QString keys;
        for (int r = 0; r < model.rowCount(); ++r)
            keys += QString::number(*model.key(r));
        return keys;
    };
    EXPECT_EQ(keysAfter(0, 3, true), QStringLiteral("1203"));
    EXPECT_EQ(keysAfter(3, 0, true), QStringLiteral("3012"));
    EXPECT_EQ(keysAfter(0, 4, true), QStringLiteral("1230"));
    EXPECT_EQ(keysAfter(1, 1, false), QStringLiteral("0123"));
    EXPECT_EQ(keysAfter(1, 2, false), QStringLiteral("0123"));
    EXPECT_EQ(keysAfter(4, 0, false), QStringLiteral("0123"));
    EXPECT_EQ(keysAfter(0, 5, false), QStringLiteral("0123"));
}

} // namespace
} // namespace corvane::test
