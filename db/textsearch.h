// Finding notices by the words of their text, ignoring case and accents. Texts are Windows-1252
// bytes, as the message files hold them and as typed text is stored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pinora {

// Lower case, accents dropped, the ligatures and sharp s spelt out: "Œuvre Straße" and
// "oeuvre strasse" fold alike.
std::string foldForSearch(std::string_view cp1252);

// The typed words, folded, in the order typed, each once. Blank text gives none.
std::vector<std::string> searchWords(std::string_view cp1252);

// Whether folded text holds every one of the words; true when there are none.
bool containsAllWords(std::string_view folded, const std::vector<std::string>& words);

} // namespace pinora
