// Texts on disk are single bytes of Windows-1252; the rest of the program speaks UTF-8.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pinora {

std::string cp1252ToUtf8(std::string_view bytes);
// A character that Windows-1252 lacks becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);

// Upper-cases a to z only; every other byte stays as it is.
std::string upperAscii(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// One-byte random-key scrambling of login names, passwords and notice owners.
// keyBelow128 returns the key; it is asked once per call.
std::string scrambleText(std::string_view s, const std::function<int()>& key);
std::string unscrambleText(std::string_view t);
// unscrambleText(t) == plain, compared exactly, without building the text.
bool scrambledEquals(std::string_view t, std::string_view plain);

// A notice's stored owner belongs to a login name when it equals the name's first
// 7 characters, ignoring case (the owner field keeps no more than that). A whole login name
// given in place of an owner (the user rules) belongs to itself.
bool ownerBelongsTo(std::string_view owner, std::string_view loginName);

} // namespace pinora
