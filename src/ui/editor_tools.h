#pragma once
// What the main window offers beyond its lists: the code page record names are shown in (View >
// Name encoding), the check of the database at any time (Tools > Check, a panel that follows
// every change) and the sign-off report on the last Save (File > Export report...). Kept apart
// from MainDialog, which only puts these menus in its bar and tells of each Save.

#include "formats/name_encoding.h"
#include "image/receiver_image.h"
#include "model/channel_database.h"

#include <QObject>

#include <optional>
#include <string>

class QAction;
class QActionGroup;
class QMenu;

namespace corvane {

class EditorSettings;
class FindingsDialog;
class MainDialog;
class RecordEditors;

class EditorTools final : public QObject {
    Q_OBJECT
public:
    // Shows the window's lists and `editors`' dialogs in Latin-1 until told otherwise.
    EditorTools(MainDialog& window, RecordEditors& editors);
    ~EditorTools() override;

    // The Name encoding menu, for the View menu.
    QMenu* encodingMenu() const { return encodingMenu_; }
    QAction* checkAction() const { return checkAction_; }
    QAction* exportReportAction() const { return exportAction_; }

    const NameCodec& names() const { return names_; }
    // Shows every name in `encoding` from now on; false (and nothing changed) when the system has
    // no converter for it.
    bool setEncoding(const NameEncoding& encoding);
    // Remembers the chosen encoding in `settings` and takes the one kept there; null forgets it.
    void useSettings(EditorSettings* settings);

    // Shows the Check panel, filled with the findings of the database as it is now.
    void showCheck();
    // The panel, once it was shown.
    FindingsDialog* checkPanel() const { return check_; }

    // A Save of the database read from `input` wrote `paths`: the report is about this Save.
    void saved(const std::string& input, const SavePaths& paths);
    // Asks for the report's PDF name and writes it and the CSV beside it.
    void exportReport();

private:
    void buildEncodingMenu();
    void showEncodingChecked();
    void refreshCheck();

    MainDialog& window_;
    RecordEditors& editors_;
    EditorSettings* settings_ = nullptr;
    NameCodec names_;
    QMenu* encodingMenu_ = nullptr;
    QActionGroup* pages_ = nullptr;
    QActionGroup* fallbacks_ = nullptr;
    QAction* checkAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    FindingsDialog* check_ = nullptr;
    bool checkPending_ = false; // a refresh is queued for the changes announced so far

    struct LastSave {
        ChannelDatabase database; // as saved; later edits are not what the files hold
        std::string input;
        SavePaths paths;
        std::string savedAt;
    };
    std::optional<LastSave> lastSave_;
};

} // namespace corvane
