#pragma once

#include <filesystem>
#include <string>

namespace kdx {

// The first line of a small sysfs attribute with its line end and trailing
// blanks cut; empty when it cannot be read.
std::string readSysfsLine(const std::filesystem::path& file);

} // namespace kdx
