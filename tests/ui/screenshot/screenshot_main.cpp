// Renders the main window with a channel list loaded and all its services shown, at its template
// size and maximised, a drag in the service list with its drop line, a refused value in the
// transponder dialog, the About box, a Turkish list read in ISO-8859-9 and the Check panel on it,
// to PNG files for a person to look at. Usage: ui_screenshot OUTDIR FILE

#include "image/database_check.h"
#include "model/record_name.h"
#include "ui/about_dialog.h"
#include "ui/drag_list_ctrl.h"
#include "ui/editor_tools.h"
#include "ui/findings_dialog.h"
#include "ui/list_tools.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"
#include "ui/transponder_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool save(QWidget& widget, const QDir& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s: %dx%d\n", qPrintable(path), widget.width(), widget.height());
    return true;
}

// A Turkish market's list as its files hold it: names in ISO-8859-9. One transponder is below
// what the LNB brings into the tuner's range and one names an antenna that does not exist, so
// that the Check panel has something to say.
corvane::ChannelDatabase turkishList() {
    const corvane::NameCodec turkish({corvane::NamePage::Iso8859_9});
    const auto name = [&](const char* utf8) {
        corvane::RecordName n{};
        corvane::setName(n, turkish.encode(utf8).value.bytes);
        return n;
    };
    corvane::ChannelDatabase db;
    db.satellites.append({.id = 0, .name = name("Türksat 42.0°E")});
    db.satellites.append({.id = 1, .name = name("Eutelsat 7°Doğu")});
    db.satelliteCount = 2;
    db.addDefaultAntenna();
    db.addDefaultAntenna();
    const int32_t frequencies[] = {11054, 11096, 10600, 12380, 11492};
    for (const int32_t f : frequencies)
        db.transponders.append({.id = db.transponderCount++,
                                .satelliteId = 0,
                                .frequency = f,
                                .symbolRate = 30000,
                                .polarity = f % 2,
                                .fec = 3});
    db.transponders.append({.id = db.transponderCount++,
                            .satelliteId = 1,
                            .frequency = 11013,
                            .symbolRate = 27500,
                            .fec = 2,
                            .antennaId = 5});
    const char* services[] = {"TRT 1",      "Şov TV",    "Kanal D",   "ATV",
                              "Habertürk",  "Beyaz TV",  "TRT Çocuk", "Ülke TV",
                              "TGRT Haber", "Show Türk", "Kral Pop",  "Diyanet TV",
                              "TRT Müzik",  "Ağrı TV",   "İz TV",     "Çiftçi TV"};
    int32_t number = 0;
    for (const char* service : services) {
        db.services.append({.transponderId = number % 6,
                            .number = number,
                            .name = name(service),
                            .videoPid = 512 + number,
                            .audioPid = 4112 + number,
                            .pcrPid = 512 + number,
                            .serviceId = 100 + number});
        ++number;
    }
    db.serviceCount = number;
    corvane::settleAntennas(db.antennas);
    return db;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: ui_screenshot OUTDIR FILE\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    corvane::QtPrompts prompts;
    corvane::DialogRecordEditors editors(prompts);
    corvane::MainDialog window(prompts, editors);
    if (!window.openFile(argv[2]))
        return 1;
    window.setAttribute(Qt::WA_DontShowOnScreen, QGuiApplication::platformName() == u"offscreen");
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    // With every service shown, so that the service list has rows to look at too.
    if (auto* showAll = window.findChild<QCheckBox*>(QStringLiteral("showAllBox")))
        showAll->click();
    bool ok = save(window, out, QStringLiteral("main-window.png"));

    // Row 2 dragged over the upper half of row 6: the line shows it going in before row 6.
    corvane::DragListCtrl* services = window.serviceList();
    QWidget* rows = services->viewport();
    const auto centre = [&](int row) {
        return services->visualRect(services->model()->index(row, 0)).center();
    };
    QTest::mouseClick(rows, Qt::LeftButton, {}, centre(2));
    QTest::mousePress(rows, Qt::LeftButton, {}, centre(2));
    QTest::mouseMove(rows, centre(2) + QPoint(QApplication::startDragDistance(), 0));
    QTest::mouseMove(rows, centre(6) - QPoint(-40, services->rowHeight(6) / 4));
    ok = save(window, out, QStringLiteral("main-window-drop-line.png")) && ok;
    QTest::mouseRelease(rows, Qt::LeftButton, {},
                        centre(6) - QPoint(-40, services->rowHeight(6) / 4));

    // The find bar under the service list with the matching rows only, then the list sorted by
    // name, descending, with the line above it.
    corvane::ListTools& tools = window.listTools();
    constexpr auto kServices = corvane::RecordKind::Service;
    services->setFocus();
    tools.openFind(kServices);
    QTest::keyClicks(tools.findBar(kServices)->edit(), QStringLiteral("e"));
    tools.findNext(kServices, false);
    ok = save(window, out, QStringLiteral("find-bar.png")) && ok;
    tools.findBar(kServices)->matchingOnly()->click();
    ok = save(window, out, QStringLiteral("find-bar-matching-only.png")) && ok;
    tools.closeFind(kServices);
    tools.sortByColumn(kServices, 2);
    tools.sortByColumn(kServices, 2);
    ok = save(window, out, QStringLiteral("sorted-list.png")) && ok;
    tools.sortByColumn(kServices, 2);

    // A symbol rate the file cannot hold, refused at OK with the message QtPrompts shows.
    corvane::TransponderRecord transponder{3, 0, 12188, 27500, 0, 3, 0};
    corvane::TransponderEdit edit(prompts, &window);
    edit.SetRecord(&transponder);
    edit.show();
    if (QTest::qWaitForWindowExposed(&edit)) {
        auto* field = edit.findChild<QLineEdit*>(QStringLiteral("symbolRateField"));
        field->setText(QStringLiteral("-5"));
        QTimer::singleShot(300, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ok = save(*box, out, QStringLiteral("refused-value.png")) && ok;
                box->accept();
            } else {
                ok = false;
            }
        });
        edit.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        ok = save(edit, out, QStringLiteral("refused-value-dialog.png")) && ok;
        edit.reject();
    }

    window.showMaximized();
    QTest::qWait(300);
    // Without a window manager nothing maximises; take the screen's working area instead.
    const QSize available = window.screen()->availableGeometry().size();
    if (window.frameGeometry().size().width() < available.width() / 2 * 2 - 50)
        window.resize(available - (window.frameGeometry().size() - window.size()));
    QTest::qWait(100);
    ok = save(window, out, QStringLiteral("main-window-maximised.png")) && ok;

    corvane::AboutDialog about(&window);
    about.show();
    if (QTest::qWaitForWindowExposed(&about))
        ok = save(about, out, QStringLiteral("about.png")) && ok;
    about.hide();

    // The check before a Save, on the list with its first satellite gone and a name too long.
    corvane::ChannelDatabase changed = window.database();
    if (!changed.satellites.empty()) {
        changed.satellites.erase(changed.satellites.begin());
        if (!changed.services.empty())
            corvane::setName(changed.services.front().name, "A channel name far too long");
    }
    const std::vector<corvane::Finding> findings = corvane::checkDatabase(changed);
    corvane::FindingsDialog check(findings, &window);
    check.show();
    if (QTest::qWaitForWindowExposed(&check))
        ok = save(check, out, QStringLiteral("check-before-save.png")) && ok;
    check.hide();

    window.showNormal();
    window.resize(window.minimumSizeHint().expandedTo(QSize(900, 640)));
    window.document().replace(turkishList(), "turksat.cdd");
    window.fillTransponderList(0);
    window.tools().setEncoding({corvane::NamePage::Iso8859_9});
    QTest::qWait(100);
    ok = save(window, out, QStringLiteral("turkish-list-iso-8859-9.png")) && ok;
    window.tools().showCheck();
    if (corvane::FindingsDialog* panel = window.tools().checkPanel();
        panel && QTest::qWaitForWindowExposed(panel))
        ok = save(*panel, out, QStringLiteral("check-panel.png")) && ok;
    return ok ? 0 : 1;
}
