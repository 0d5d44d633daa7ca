#pragma once

#include <functional>
#include <initializer_list>
#include <string>

namespace kdx {

// The window's words for a language key, English where it has none. Link
// code that composes texts takes one; without it (kdx-cli, whose output
// scripts read) the texts stay English.
using Words = std::function<std::string(int key, const char* english)>;

// words' text of key, or english when no words are given.
std::string textOf(const Words& words, int key, const char* english);

// A language file's pattern with %1, %2 .. replaced by args in order; a
// number with no argument stays as it stands, so a translation that names
// fewer places than the English cannot read past the arguments.
std::string fillIn(const std::string& pattern, std::initializer_list<std::string> args);

} // namespace kdx
