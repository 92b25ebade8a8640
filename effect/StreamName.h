#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "PF_Basic.h"

// Longest name, in UTF-16 units, that a slider or the load button gets.
constexpr size_t kStreamNameMaxUnits = 31;

// The zero-terminated UTF-16 form of a UTF-8 text for the host's stream
// names. Invalid bytes become U+FFFD; at most maxUnits units are kept and a
// character that does not fit whole is left out.
std::vector<A_UTF16Char> toStreamName(const std::string& utf8, size_t maxUnits);
