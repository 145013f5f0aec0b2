#pragma once
// The check before a Save, shown: every finding of the database check, each saying whether the
// file would differ from what the lists show, and the question whether to save anyway. The texts
// are those `corvane-tool check` prints, from the same check. Cancel is the default, as saving a
// list that differs from the screen is the mistake this window is there to stop.

#include "image/database_check.h"

#include <QDialog>

#include <vector>

class QLabel;
class QTreeView;

namespace corvane {

class FindingsModel;
class NameCodec;

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
    // The check before a Save: the findings and the question, Cancel the default.
    FindingsDialog(const std::vector<Finding>& findings, QWidget* parent = nullptr);
    // The Check panel: findings set and replaced with setFindings, and a Close button.
    explicit FindingsDialog(QWidget* parent);

    QTreeView* list() const { return list_; }
    const std::vector<Finding>& findings() const;
    void setFindings(std::vector<Finding> findings);
    // The code page the findings' names read in; Latin-1 when null.
    void setNames(const NameCodec* names);

signals:
    // A finding was double-clicked (or Enter pressed on it): its record should be shown.
    void findingActivated(std::size_t index);

private:
    FindingsDialog(std::vector<Finding> findings, bool beforeSave, QWidget* parent);

    QTreeView* list_;
    QLabel* summary_ = nullptr;
    FindingsModel* model_ = nullptr;
    bool beforeSave_;
};

} // namespace corvane
