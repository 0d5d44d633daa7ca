#pragma once

#include <string>

namespace kdx {

// The file operations whose system calls differ between operating systems.
// Every function returns an empty text on success, else why it failed.
class SystemFiles {
public:
    // Moves the file from onto to in one step, replacing a file of that name:
    // a reader sees either the old file or the new one, never a mix.
    static std::string replace(const std::string& from, const std::string& to);

    // Writes bytes beside path and moves them into place with replace(), so
    // a file of that name is never left half written; with makeFolder the
    // folder is made when missing.
    static std::string writeReplacing(const std::string& path, const std::string& bytes, bool makeFolder);

    // Writes bytes to a new file whose name is prefix followed by characters
    // that make it unused, readable by everyone, and forces it to the disk;
    // its name is put in path. Nothing is left behind when it fails.
    static std::string writeFresh(const std::string& prefix, const std::string& bytes, std::string& path);
};

} // namespace kdx
