// Fills each list of the main window from the largest database the files can hold (255 satellites
// and antennas, 65,535 transponders and services), beside a baseline measured in the same run: the
// same kind of view, shown at the same size with the same columns, reset on a model of as many
// rows whose cells are constant. Each iteration includes the view's layout and paint, so the
// baseline is what the view costs by itself and the fill should stay within twice that.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "generator.h"
#include "image/cdd_file.h"
#include "ui/drag_list_ctrl.h"
#include "ui/list_tools.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace corvane;

class ConstantModel final : public QAbstractTableModel {
public:
    ConstantModel(int rows, int columns) : rows_(rows), columns_(columns) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : columns_;
    }
    QVariant data(const QModelIndex&, int role) const override {
        return role == Qt::DisplayRole ? QVariant(text_) : QVariant();
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }

private:
    int rows_;
    int columns_;
    QString text_ = QStringLiteral("12345");
};

// The main window with the maximum database opened, shown once for the whole run.
struct Window {
    QtPrompts prompts;
    DialogRecordEditors editors{prompts};
    MainDialog dialog{prompts, editors};
    Window() {
        const auto path = std::filesystem::temp_directory_path() / "corvane-list-bench.cdd";
        const auto written = writeCddFile(bench::generateDatabase(1.0), path.string());
        if (!written.ok() || !dialog.openFile(path.string())) {
            std::fprintf(stderr, "cannot prepare the database: %s\n", written.detail.c_str());
            std::exit(1);
        }
        std::filesystem::remove(path);
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            std::exit(1);
    }
};

// Created after the application object and destroyed before it.
std::unique_ptr<Window> theWindow;

Window& window() {
    return *theWindow;
}

// Lets the view lay out and paint what the fill or reset left for it.
void settle() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

template <class Fill> void runFill(benchmark::State& state, DragListCtrl* list, Fill fill) {
    for (auto _ : state) {
        fill();
        settle();
    }
    state.counters["rows"] = list->model()->rowCount();
}

// A view like `list`, shown at its size with its column widths, on a constant model.
void runBaseline(benchmark::State& state, const DragListCtrl* list, int rows) {
    const int columns = list->model()->columnCount();
    ConstantModel model(rows, columns);
    DragListCtrl view;
    view.setModel(&model);
    view.resize(list->size());
    for (int c = 0; c < columns; ++c)
        view.horizontalHeader()->resizeSection(c, list->horizontalHeader()->sectionSize(c));
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        state.SkipWithError("view not exposed");
    for (auto _ : state) {
        model.reset();
        settle();
    }
    state.counters["rows"] = rows;
}

void satellites(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.satelliteList(), [&] { d.fillSatelliteList(); });
}
void satellitesBaseline(benchmark::State& state) {
    runBaseline(state, window().dialog.satelliteList(), 255);
}
void allTransponders(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.transponderList(), [&] { d.fillTransponderList(-1); });
}
void allTranspondersBaseline(benchmark::State& state) {
    runBaseline(state, window().dialog.transponderList(), 65535);
}
void satelliteTransponders(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.transponderList(), [&] { d.fillTransponderList(0); });
}
void satelliteTranspondersBaseline(benchmark::State& state) {
    runBaseline(state, window().dialog.transponderList(), 257);
}
void allServices(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.serviceList(), [&] { d.fillServiceList(-1); });
}
void allServicesBaseline(benchmark::State& state) {
    runBaseline(state, window().dialog.serviceList(), 65535);
}
// The same after a change to the database, which rebuilds the "Sat ID" lookup.
void allServicesAfterChange(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.serviceList(), [&] {
        d.serviceModel().rebuildSatelliteIds(d.database().transponders);
        d.fillServiceList(-1);
    });
}
void transponderServices(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.serviceList(), [&] { d.fillServiceList(7919); });
}
void transponderServicesBaseline(benchmark::State& state) {
    runBaseline(state, window().dialog.serviceList(), 1);
}
void antennas(benchmark::State& state) {
    MainDialog& d = window().dialog;
    runFill(state, d.antennaList(), [&] { d.fillAntennaList(); });
}
void antennasBaseline(benchmark::State& state) {
    runBaseline(state, window().dialog.antennaList(), 255);
}
// One keystroke in the find bar of the list of all services: the search of every row, the match
// selected and shown. Alternates between "Service 12" and "Service 1", both with many matches.
// The first search after a change also builds the rows' texts; the second case pays that each
// time.
void findKeystroke(benchmark::State& state, bool afterChange) {
    MainDialog& d = window().dialog;
    d.fillServiceList(-1);
    d.serviceList()->setFocus();
    d.listTools().openFind(RecordKind::Service);
    QLineEdit* edit = d.listTools().findBar(RecordKind::Service)->edit();
    edit->setText(QStringLiteral("Service 1"));
    bool longer = true;
    for (auto _ : state) {
        if (afterChange)
            d.serviceModel().refresh();
        QTest::keyClick(edit, longer ? Qt::Key_2 : Qt::Key_Backspace);
        longer = !longer;
        settle();
    }
    state.counters["rows"] = d.serviceList()->model()->rowCount();
    d.listTools().closeFind(RecordKind::Service);
}
void findInAllServices(benchmark::State& state) {
    findKeystroke(state, false);
}
void findInAllServicesAfterChange(benchmark::State& state) {
    findKeystroke(state, true);
}

BENCHMARK(satellites)->Unit(benchmark::kMicrosecond);
BENCHMARK(satellitesBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(allTransponders)->Unit(benchmark::kMicrosecond);
BENCHMARK(allTranspondersBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(satelliteTransponders)->Unit(benchmark::kMicrosecond);
BENCHMARK(satelliteTranspondersBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(allServices)->Unit(benchmark::kMicrosecond);
BENCHMARK(allServicesBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(allServicesAfterChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(findInAllServices)->Unit(benchmark::kMicrosecond);
BENCHMARK(findInAllServicesAfterChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(transponderServices)->Unit(benchmark::kMicrosecond);
BENCHMARK(transponderServicesBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(antennas)->Unit(benchmark::kMicrosecond);
BENCHMARK(antennasBaseline)->Unit(benchmark::kMicrosecond);

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
