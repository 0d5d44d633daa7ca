#pragma once

#include <initializer_list>
#include <string>

namespace kdx {

// A language file's pattern with %1, %2 .. replaced by args in order; a
// number with no argument stays as it stands, so a translation that names
// fewer places than the English cannot read past the arguments.
std::string fillIn(const std::string& pattern, std::initializer_list<std::string> args);

} // namespace kdx
