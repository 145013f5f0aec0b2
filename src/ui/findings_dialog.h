#pragma once
// The check before a Save, shown: every finding of the database check, each saying whether the
// file would differ from what the lists show, and the question whether to save anyway. The texts
// are those `corvane-tool check` prints, from the same check. Cancel is the default, as saving a
// list that differs from the screen is the mistake this window is there to stop.

#include "image/database_check.h"

#include <QDialog>

#include <vector>

class QTreeView;

namespace corvane {

// True when the finding means the saved file would not hold what the lists show (a name cut, a
// record left out, a link to nothing, a value out of its field); false for one that changes
// nothing in the file, such as a transponder entered twice.
bool findingChangesTheFile(const Finding& finding);
// Whether the check before Save asks about a finding: the file would differ from the lists, or
// the receiver could not tune the transponder.
bool findingStopsTheSave(const Finding& finding);

class FindingsDialog final : public QDialog {
    Q_OBJECT
public:
    FindingsDialog(const std::vector<Finding>& findings, QWidget* parent = nullptr);

    QTreeView* list() const { return list_; }

signals:
    // A finding was double-clicked (or Enter pressed on it): its record should be shown.
    void findingActivated(std::size_t index);

private:
    QTreeView* list_;
};

} // namespace corvane
