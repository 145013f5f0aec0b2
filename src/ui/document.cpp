#include "ui/document.h"

#include <QUndoCommand>

#include <array>
#include <utility>

namespace corvane {

namespace {

constexpr std::array<RecordKind, 4> kKinds{RecordKind::Satellite, RecordKind::Transponder,
                                           RecordKind::Service, RecordKind::Antenna};

} // namespace

class DocumentStep final : public QUndoCommand {
public:
    DocumentStep(Document& document, const QString& text, DatabaseChange change, TouchedRows rows)
        : QUndoCommand(text), document_(document), change_(std::move(change)),
          rows_(std::move(rows)) {}

    void undo() override { document_.step(change_, rows_, true); }
    // Pushing a step redoes it; it was done before it was pushed.
    void redo() override {
        if (!std::exchange(pushing_, false))
            document_.step(change_, rows_, false);
    }

private:
    Document& document_;
    DatabaseChange change_;
    TouchedRows rows_;
    bool pushing_ = true;
};

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
    history_.push(new DocumentStep(*this, text, std::move(done), std::move(rows)));
    return true;
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
