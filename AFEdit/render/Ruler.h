// The column ruler's characters: column numbers are 1-based; every tenth
// column shows the tens digit of its number, every fifth a "+", the others
// a ".".
#pragma once

#include <string>

char RulerChar(int Col) noexcept;
// The characters of Count columns starting at column FirstCol.
std::string RulerString(int FirstCol, int Count);
