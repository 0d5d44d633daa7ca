#include "params/DataFolder.h"

#include <filesystem>

namespace kdx {

DataFolderChoice chooseDataFolder(const std::string& startDirectory, const std::string& xdgDataHome,
                                  const std::string& home,
                                  const std::function<bool(const std::string&)>& writable)
{
    DataFolderChoice choice;
    choice.path = startDirectory;
    if (writable(startDirectory))
        return choice;
    std::string base;
    if (!xdgDataHome.empty() && xdgDataHome.front() == '/')
        base = xdgDataHome;
    else if (!home.empty())
        base = home + "/.local/share";
    else
        return choice;
    const std::string folder = base + "/kdx";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        choice.error = folder + ": " + ec.message();
        return choice;
    }
    choice.path = folder;
    choice.moved = true;
    return choice;
}

} // namespace kdx
