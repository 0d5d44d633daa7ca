#pragma once

#include "app/AppContext.h"
#include "params/ParameterFile.h"
#include "params/ParameterFilePrompts.h"
#include "params/ParameterImage.h"
#include "params/ParameterLabels.h"
#include "params/RegisterWriter.h"

#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QProgressBar;

namespace kdx {

class MainWindow;

// The parameter files of the window: "Save To Disk", "Load to ECU", the two
// compare items of the File menu, and the automatic backups before
// RESET PARAMETERS! and a firmware upgrade. The procedures (file format,
// difference, restore) are the Qt-free ones of the parameter subsystem; this
// class asks, applies and reports.
class ParameterFilesGlue {
public:
    struct Deps {
        AppContext& ctx;
        ParameterImage& image;
        RegisterWriter& writer;
        // The full read of the controller (ReadAll); true when it succeeded.
        std::function<bool()> readAll;
        std::function<void(const std::string&)> showStatus;
        std::string programVersion;
    };

    // Resolves its controls once and adds its menu items; a control that is
    // missing stops the program here rather than at the first use.
    ParameterFilesGlue(MainWindow& window, Deps deps);

    void saveToDisk();
    // Without a path the technician picks the file.
    // ownBackup: path is the backup made of this controller before its upgrade.
    void loadToEcu(const std::optional<std::string>& path = std::nullopt, bool ownBackup = false);
    void compareWithDefaults();
    void compareFiles();

    // RESET PARAMETERS!: backs up the current image and asks; false when
    // nothing may be sent.
    bool confirmReset();
    // Before the first frame of a firmware upgrade: backs up the current
    // image; false stops the upgrade.
    bool beforeUpgrade();
    // After an upgrade: when the controller came back with its parameters
    // reset and a backup was made, offers to load it.
    void afterUpgrade();

    // The backup the last beforeUpgrade/confirmReset made (empty if none).
    const std::string& lastBackup() const { return m_lastBackup; }

private:
    // Writes the image to a file; the error text, or empty.
    std::string writeFile(const std::string& path, const std::string& reason);
    // Saves the image to the parameter folder with a name that says why;
    // false when the technician stops the operation after a failure.
    bool backup(const std::string& reason, const std::string& operation);
    std::optional<ParameterFile> readFile(const std::string& path);
    ParameterFilePrompts* filePrompts();
    // False, with a message naming the menu item (its caption key), while no
    // parameters have been read.
    bool needsParameters(int itemKey);
    void progress(int position, int maximum);
    UtcDateTime now() const;
    // The parameters' labels and the views' texts in the current language.
    ParameterLabels labels() const;

    MainWindow& m_window;
    Deps m_deps;
    std::string m_folder;
    QProgressBar* m_progress = nullptr;
    QAction* m_compareDefaults = nullptr;
    QAction* m_compareFiles = nullptr;
    std::string m_lastBackup;
    bool m_upgradeBackup = false;
};

} // namespace kdx
