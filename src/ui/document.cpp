#include "ui/document.h"

#include <QUndoCommand>

#include <array>
#include <memory>
#include <utility>

namespace corvane {

namespace {

constexpr std::array<RecordKind, 4> kKinds{RecordKind::Satellite, RecordKind::Transponder,
                                           RecordKind::Service, RecordKind::Antenna};

} // namespace

// What a step keeps; shared, so that the history can be rebuilt without copying it.
struct StepRecord {
    DatabaseChange change;
    TouchedRows rows;
    std::size_t bytes;
};

class DocumentStep final : public QUndoCommand {
public:
    DocumentStep(Document& document, const QString& text, std::shared_ptr<const StepRecord> step)
        : QUndoCommand(text), document_(document), step_(std::move(step)) {}

    void undo() override { document_.step(step_->change, step_->rows, true); }
    // Pushing a step redoes it; it was done before it was pushed.
    void redo() override {
        if (!std::exchange(pushing_, false))
            document_.step(step_->change, step_->rows, false);
    }
    const std::shared_ptr<const StepRecord>& record() const { return step_; }

private:
    Document& document_;
    std::shared_ptr<const StepRecord> step_;
    bool pushing_ = true;
};

namespace {

const DocumentStep& stepAt(const QUndoStack& history, int i) {
    return *static_cast<const DocumentStep*>(history.command(i));
}

} // namespace

Document::Document(QObject* parent) : QObject(parent), history_(this) {
    history_.setUndoLimit(kHistorySteps);
    connect(&history_, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
}

bool Document::transact(const QString& text, const Change& change) {
    ChannelDatabase working = database_;
    TouchedRows rows;
    if (!change(working, rows))
        return false;
    DatabaseChange done = DatabaseChange::between(database_, working);
    if (done.empty())
        return false;
    // Only the kinds that changed take the new lists: the others' records stay where the lists
    // that show them found them.
    for (const RecordKind kind : kKinds)
        if (done.touches(kind))
            emit aboutToChange(kind);
    for (const RecordKind kind : kKinds)
        if (done.touches(kind))
            visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {
                database_.list<T>() = std::move(working.list<T>());
                database_.clipboard<T>() = std::move(working.clipboard<T>());
            });
    database_.satelliteCount = working.satelliteCount;
    database_.transponderCount = working.transponderCount;
    database_.serviceCount = working.serviceCount;
    database_.antennaCount = working.antennaCount;
    database_.setClipboardOrigins(working.clipboardOrigins());
    for (const RecordKind kind : kKinds)
        if (done.touches(kind))
            emit changed(kind);
    const std::size_t bytes = done.memoryBytes() + sizeof(StepRecord) +
                              (rows.before.capacity() + rows.after.capacity()) * sizeof(int32_t);
    history_.push(new DocumentStep(
        *this, text,
        std::make_shared<const StepRecord>(StepRecord{std::move(done), std::move(rows), bytes})));
    trimHistory();
    return true;
}

std::size_t Document::historyBytes() const {
    std::size_t total = 0;
    for (int i = 0; i < history_.count(); ++i)
        total += stepAt(history_, i).record()->bytes;
    return total;
}

void Document::trimHistory() {
    // Right after a push: every step is below the current index, there is nothing to redo.
    const int count = history_.count();
    std::size_t total = 0;
    int keepFrom = count;
    while (keepFrom > 0) {
        total += stepAt(history_, keepFrom - 1).record()->bytes;
        if (total > historyBudget_ && keepFrom < count)
            break;
        --keepFrom;
    }
    if (keepFrom == 0)
        return;
    // A QUndoStack cannot drop its oldest steps: it starts again with the newest ones, which are
    // pushed without being done again, and the saved state where it still is.
    std::vector<std::pair<QString, std::shared_ptr<const StepRecord>>> kept;
    for (int i = keepFrom; i < count; ++i)
        kept.emplace_back(history_.text(i), stepAt(history_, i).record());
    const int clean = history_.cleanIndex();
    history_.clear();
    history_.resetClean();
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (clean == keepFrom + static_cast<int>(k))
            history_.setClean();
        history_.push(new DocumentStep(*this, kept[k].first, kept[k].second));
    }
    if (clean == count)
        history_.setClean();
}

void Document::step(const DatabaseChange& change, const TouchedRows& rows, bool undo) {
    for (const RecordKind kind : kKinds)
        if (change.touches(kind))
            emit aboutToChange(kind);
    if (undo)
        change.undo(database_);
    else
        change.redo(database_);
    for (const RecordKind kind : kKinds)
        if (change.touches(kind))
            emit changed(kind);
    emit restored(rows, undo);
}

void Document::announceAll(const std::function<void()>& change) {
    for (const RecordKind kind : kKinds)
        emit aboutToChange(kind);
    change();
    for (const RecordKind kind : kKinds)
        emit changed(kind);
}

void Document::open(ChannelDatabase&& loaded, const std::string& path) {
    announceAll([&] { database_.replaceRecords(std::move(loaded)); });
    history_.clear();
    markSaved(path);
}

void Document::replace(const ChannelDatabase& db, const std::string& path) {
    announceAll([&] { database_ = db; });
    history_.clear();
    markSaved(path);
}

void Document::markSaved(const std::string& path) {
    history_.setClean();
    if (path != path_) {
        path_ = path;
        emit pathChanged();
    }
}

} // namespace corvane
