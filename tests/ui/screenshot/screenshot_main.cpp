// Renders the main window with a channel list loaded and all its services shown, at its template
// size and maximised, a drag in the service list with its drop line, a refused value in the
// transponder dialog, and the About box, to PNG files for a person to look at. Usage: ui_screenshot
// OUTDIR FILE

#include "image/database_check.h"
#include "model/record_name.h"
#include "ui/about_dialog.h"
#include "ui/drag_list_ctrl.h"
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
    corvane::ListTools& tools = window.tools();
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
    return ok ? 0 : 1;
}
