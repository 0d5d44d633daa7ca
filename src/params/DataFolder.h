#pragma once

#include <functional>
#include <string>

namespace kdx {

// Where the tool keeps what it writes relative to where it stands:
// parameter files, recordings, the tester's result files, lan.txt and the
// traffic export.
struct DataFolderChoice {
    std::string path;    // the folder to stand in
    bool moved = false;  // not the start directory: it was not writable
    std::string error;   // why the user's data folder could not be made
};

// The start directory when the technician may write there (a folder of
// their own, a copy of the tool); otherwise the user's data folder,
// $XDG_DATA_HOME/kdx or, without it, $HOME/.local/share/kdx, made when
// missing. A relative XDG_DATA_HOME is ignored, as the XDG rules say.
DataFolderChoice chooseDataFolder(const std::string& startDirectory, const std::string& xdgDataHome,
                                  const std::string& home,
                                  const std::function<bool(const std::string&)>& writable);

} // namespace kdx
