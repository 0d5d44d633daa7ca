#pragma once

#include <string>

namespace kdx {

// Where a saved file went, or why it could not be saved.
struct ResultFileSave {
    std::string path;   // absolute path of the file (written or meant to be)
    std::string backup; // absolute path the earlier file of that name was moved to; empty if none
    std::string error;  // empty on success: the system's reason otherwise
    bool ok() const { return error.empty(); }
};

// Writes bytes as directory/fileName. The content goes to a temporary file in
// the same folder first and replaces nothing until it is completely on disk,
// so a folder that cannot be written or a full disk leaves every earlier file
// as it was. An existing file of that name is kept as a numbered backup
// ("name_1.ext", "name_2.ext", ... the lowest number not taken), never
// overwritten.
ResultFileSave saveResultFile(const std::string& directory, const std::string& fileName, const std::string& bytes);

} // namespace kdx
