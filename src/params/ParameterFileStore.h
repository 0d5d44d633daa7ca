#pragma once

#include "link/SystemFiles.h"
#include "params/ParameterFile.h"

#include <string>

namespace kdx {

// Parameter files on disk, for the window and the command line alike.
class ParameterFileStore {
public:
    // Reads at most the largest size a file may have (plus one byte, to
    // tell a larger file apart) and parses it; the error names the file.
    static ParameterFileRead load(const std::string& path);
    // Writes the file beside its final name and renames it into place (a
    // file of that name is never left half written), making the folder when
    // missing, then reads it back. Empty on success, else why it failed.
    static std::string save(const std::string& path, const ParameterFile& file);
    // SystemFiles::writeReplacing, for the raw image kdx-cli writes.
    static std::string writeReplacing(const std::string& path, const std::string& bytes, bool makeFolder)
    {
        return SystemFiles::writeReplacing(path, bytes, makeFolder);
    }
};

} // namespace kdx
