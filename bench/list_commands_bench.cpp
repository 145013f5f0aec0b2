// The list commands on the largest database the files can hold (255 satellites and antennas,
// 65,535 transponders and services, satellite 0 carrying 10,000 transponders), each beside the
// fills of the lists it refreshes, measured in the same run on the same shown window and right
// after them, on the records as the same earlier steps left them in memory. Each iteration
// includes the view's layout and paint. A command, refresh included, should stay within three
// times its fills.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "generator.h"
#include "ui/drag_list_ctrl.h"
#include "ui/list_commands.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTest>
#include <QUndoStack>

#include <cstdlib>
#include <iterator>
#include <malloc.h>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace corvane;

constexpr int kBigSatelliteTransponders = 10000;

// The shared full-size data with its first 10,000 transponders on one satellite.
ChannelDatabase benchDatabase() {
    ChannelDatabase db = bench::generateDatabase(1.0);
    for (auto& t : db.transponders)
        t.satelliteId = t.antennaId = t.id < kBigSatelliteTransponders ? 0 : 1 + t.id % 254;
    return db;
}

class YesPrompts final : public UserPrompts {
public:
    void message(QWidget*, MessageIcon, const QString&, const QString&) override {}
    bool askYesNo(QWidget*, MessageIcon, const QString&) override { return true; }
    QString openFileName(QWidget*, const QStringList&) override { return {}; }
    QString saveFileName(QWidget*, const QStringList&, const QString&) override { return {}; }
    UnsavedChanges askSaveDiscardCancel(QWidget*, const QString&) override {
        return UnsavedChanges::Discard;
    }
    bool saveDespiteFindings(QWidget*, const std::vector<Finding>&,
                             const std::function<void(std::size_t)>&) override {
        return true;
    }
    std::optional<int> askNumber(QWidget*, const QString&, int value, int, int) override {
        return value;
    }
    bool confirmChange(QWidget*, const QString&, const QString&) override { return true; }
};

class OkEditors final : public RecordEditors {
public:
    bool editSatellite(QWidget*, SatelliteRecord&) override { return true; }
    bool editTransponder(QWidget*, TransponderRecord&) override { return true; }
    bool editService(QWidget*, ServiceRecord&, const TransponderExists&) override { return true; }
    bool editAntenna(QWidget*, AntennaRecord&) override { return true; }
};

// Lets the view lay out and paint what the command or fill left for it.
void settle() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

struct Window {
    YesPrompts prompts;
    OkEditors editors;
    MainDialog dialog{prompts, editors};
    const ChannelDatabase full = benchDatabase();

    Window() {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            std::exit(1);
    }
    // The full database, with the transponder list on satellite 0 and all services shown.
    void reset() {
        // Freed and built again on a compacted heap, so that every reset lays the records out
        // the same way: over nodes that earlier frees scattered, a walk costs up to ten times as
        // much, which would measure the allocator's history instead of the command.
        dialog.document().replace(ChannelDatabase(), "");
        malloc_trim(0);
        dialog.document().replace(full, "");
        dialog.findChild<QCheckBox*>(QStringLiteral("showAllBox"))->setChecked(true);
        dialog.fillTransponderList(0);
        dialog.fillServiceList(-1);
        settle();
    }
    ListCommands& commands() { return dialog.commands(); }
};

std::unique_ptr<Window> theWindow;

Window& window() {
    return *theWindow;
}

void selectRows(DragListCtrl* list, int first, int last) {
    const QAbstractItemModel* m = list->model();
    list->selectionModel()->select(QItemSelection(m->index(first, 0), m->index(last, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The service list refilled after a change, as the service commands refill it.
void allServicesFill(benchmark::State& state) {
    Window& w = window();
    w.reset();
    for (auto _ : state) {
        w.dialog.serviceModel().rebuildSatelliteIds(w.dialog.database().transponders);
        w.dialog.fillServiceList(-1);
        settle();
    }
}

void cut1000Services(benchmark::State& state) {
    Window& w = window();
    w.reset();
    DragListCtrl* list = w.dialog.serviceList();
    for (auto _ : state) {
        state.PauseTiming();
        selectRows(list, 20000, 20999);
        state.ResumeTiming();
        w.commands().cutServices();
        settle();
        state.PauseTiming();
        w.commands().pasteServices(*w.dialog.serviceModel().key(19999));
        state.ResumeTiming();
    }
}

void paste1000Services(benchmark::State& state) {
    Window& w = window();
    w.reset();
    DragListCtrl* list = w.dialog.serviceList();
    for (auto _ : state) {
        state.PauseTiming();
        selectRows(list, 20000, 20999);
        w.commands().cutServices();
        settle();
        const int32_t after = *w.dialog.serviceModel().key(19999);
        state.ResumeTiming();
        w.commands().pasteServices(after);
        settle();
    }
}

// The fills a satellite's Delete refreshes: the antenna list, the transponder list with its
// filter and the service list with its filter (the satellite list only loses a row), each time
// on a database put back as for the Delete.
void deleteFills(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state) {
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
        w.dialog.serviceModel().rebuildSatelliteIds(w.dialog.database().transponders);
        w.dialog.fillAntennaList();
        w.dialog.fillTransponderList(0);
        w.dialog.fillServiceList(-1);
        settle();
    }
    state.counters["transponders"] = w.dialog.transponderModel().rowCount();
}

void deleteBigSatellite(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state) {
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
        w.commands().deleteSatellite(0);
        settle();
    }
    state.counters["transponders left"] =
        static_cast<double>(w.dialog.database().transponders.size());
}

// 100 services, every tenth of the first thousand, dragged with the mouse onto row 3.
void drag100Services(benchmark::State& state) {
    Window& w = window();
    w.reset();
    DragListCtrl* list = w.dialog.serviceList();
    QWidget* viewport = list->viewport();
    const auto at = [&](int row) {
        return list->visualRect(list->model()->index(row, 0)).center();
    };
    for (auto _ : state) {
        state.PauseTiming();
        list->verticalScrollBar()->setValue(0);
        QItemSelection rows;
        for (int row = 0; row < 1000; row += 10)
            rows.select(list->model()->index(row, 0), list->model()->index(row, 0));
        list->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
        settle();
        state.ResumeTiming();
        QTest::mousePress(viewport, Qt::LeftButton, {}, at(0));
        QTest::mouseMove(viewport, at(0) + QPoint(QApplication::startDragDistance(), 0));
        QTest::mouseMove(viewport, at(3));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(3));
        settle();
    }
}

// Every service selected and dropped on the last row: each row goes to the bottom.
void dragAllServices(benchmark::State& state) {
    Window& w = window();
    w.reset();
    DragListCtrl* list = w.dialog.serviceList();
    QWidget* viewport = list->viewport();
    const auto at = [&](int row) {
        return list->visualRect(list->model()->index(row, 0)).center();
    };
    const int last = list->model()->rowCount() - 1;
    for (auto _ : state) {
        state.PauseTiming();
        list->selectAll();
        list->scrollToBottom();
        settle();
        state.ResumeTiming();
        QTest::mousePress(viewport, Qt::LeftButton, {}, at(last - 3));
        QTest::mouseMove(viewport, at(last - 3) + QPoint(QApplication::startDragDistance(), 0));
        QTest::mouseMove(viewport, at(last));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(last));
        settle();
    }
}

// Add in the list of one transponder's services, beside that list's fill after a change.
void oneTransponderServices(Window& w) {
    w.reset();
    w.dialog.findChild<QCheckBox*>(QStringLiteral("showAllBox"))->setChecked(false);
    w.dialog.transponderList()->setCurrentIndex(w.dialog.transponderModel().index(0, 0));
    w.dialog.fillServiceList(*w.dialog.currentTransponder());
    settle();
}

void transponderServicesFill(benchmark::State& state) {
    Window& w = window();
    oneTransponderServices(w);
    for (auto _ : state) {
        w.dialog.serviceModel().rebuildSatelliteIds(w.dialog.database().transponders);
        w.dialog.fillServiceList(*w.dialog.currentTransponder());
        settle();
    }
}

void addService(benchmark::State& state) {
    Window& w = window();
    oneTransponderServices(w);
    for (auto _ : state) {
        w.commands().addService();
        settle();
        // The fill it is compared with shows as many rows.
        state.PauseTiming();
        w.dialog.document().history().undo();
        w.dialog.fillServiceList(*w.dialog.currentTransponder());
        settle();
        state.ResumeTiming();
    }
}

// Undo and redo of an action at full size, beside the action itself (deleteBigSatellite and
// moveServiceToTop): `act` runs untimed, then the undo, or the undo untimed and then the redo.
template <class Act> void undoOrRedo(benchmark::State& state, Act act, bool redo) {
    Window& w = window();
    QUndoStack& history = w.dialog.document().history();
    for (auto _ : state) {
        state.PauseTiming();
        w.reset();
        act(w);
        settle();
        if (!history.canUndo()) {
            state.SkipWithError("the action left nothing to undo");
            break;
        }
        if (redo) {
            history.undo();
            settle();
        }
        state.ResumeTiming();
        if (redo)
            history.redo();
        else
            history.undo();
        settle();
    }
}

void deleteBigSatelliteUndo(benchmark::State& state) {
    undoOrRedo(
        state, [](Window& w) { w.commands().deleteSatellite(0); }, false);
}
void deleteBigSatelliteRedo(benchmark::State& state) {
    undoOrRedo(
        state, [](Window& w) { w.commands().deleteSatellite(0); }, true);
}

// The last service moved to the top, as the list reports such a drop (key, from, to): every
// service gets a new number.
void moveLastServiceToTop(Window& w) {
    const auto last = static_cast<int32_t>(w.dialog.serviceModel().rowCount());
    w.commands().moveService(last, last, 0);
}
void moveServiceToTop(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state) {
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
        moveLastServiceToTop(w);
        settle();
    }
}
void moveServiceToTopUndo(benchmark::State& state) {
    undoOrRedo(state, moveLastServiceToTop, false);
}
void moveServiceToTopRedo(benchmark::State& state) {
    undoOrRedo(state, moveLastServiceToTop, true);
}

BENCHMARK(allServicesFill)->Unit(benchmark::kMillisecond);
BENCHMARK(cut1000Services)->Unit(benchmark::kMillisecond);
BENCHMARK(paste1000Services)->Unit(benchmark::kMillisecond);
BENCHMARK(drag100Services)->Unit(benchmark::kMillisecond);
BENCHMARK(dragAllServices)->Unit(benchmark::kMillisecond);
BENCHMARK(deleteFills)->Unit(benchmark::kMillisecond);
BENCHMARK(deleteBigSatellite)->Unit(benchmark::kMillisecond);
BENCHMARK(deleteBigSatelliteUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(deleteBigSatelliteRedo)->Unit(benchmark::kMillisecond);
BENCHMARK(moveServiceToTop)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(moveServiceToTopUndo)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(moveServiceToTopRedo)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(transponderServicesFill)->Unit(benchmark::kMillisecond);
BENCHMARK(addService)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    theWindow = std::make_unique<Window>();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theWindow.reset();
    return 0;
}
