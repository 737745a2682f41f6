// Texts on disk are single bytes of Windows-1252; the rest of the program speaks UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pinora {

std::string cp1252ToUtf8(std::string_view bytes);
// A character that Windows-1252 lacks becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);

// Upper-cases a to z only; every other byte stays as it is.
std::string upperAscii(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Without the spaces and tabs at either end (a line of a key=value file).
std::string_view trimSpaces(std::string_view s);

// A whole number typed by a user: optional spaces around an optional sign and decimal digits
// that fit in 32 bits. nullopt for anything else.
std::optional<std::int32_t> wholeNumber(std::string_view text);

// One-byte random-key scrambling of login names, passwords and notice owners.
// keyBelow128 returns the key; it is asked once per call.
std::string scrambleText(std::string_view s, const std::function<int()>& key);
std::string unscrambleText(std::string_view t);
// unscrambleText(t) == plain, compared exactly, without building the text. The scans of
// 10,000 owners call it for each: inline, and with one branch for all the characters.
inline bool scrambledEquals(std::string_view t, std::string_view plain) {
    if (t.empty()) return plain.empty();
    if (t.size() - 1 != plain.size()) return false;
    const auto k = static_cast<std::uint8_t>(t[0]);
    unsigned differ = 0;
    for (std::size_t i = 0; i < plain.size(); ++i)
        differ |= static_cast<std::uint8_t>(static_cast<std::uint8_t>(t[i + 1]) - k) ^
                  static_cast<std::uint8_t>(plain[i]);
    return differ == 0;
}

// A notice's stored owner belongs to a login name when it equals the name's first
// 7 characters, ignoring case (the owner field keeps no more than that). A whole login name
// given in place of an owner (the user rules) belongs to itself.
bool ownerBelongsTo(std::string_view owner, std::string_view loginName);

// Which line ends splitLines accepts. Message files and notice texts end lines with CR LF or a
// lone LF and keep a lone CR inside the line; lock files and first lines also end a line at a
// lone CR.
enum class LineEnds { CrLfOrLf, CrLfCrOrLf };

// Calls line(text) for each line without its end. A final line end adds no empty line, so ""
// has no lines and "a\r\n" has one. Stops after maxLines lines.
template <typename F>
void forEachLine(std::string_view text, LineEnds ends, F&& line,
                 std::size_t maxLines = static_cast<std::size_t>(-1)) {
    const char* stops = ends == LineEnds::CrLfOrLf ? "\n" : "\r\n";
    std::size_t start = 0;
    for (std::size_t count = 0; start < text.size() && count < maxLines; ++count) {
        std::size_t end = text.find_first_of(stops, start);
        if (end == std::string_view::npos) end = text.size();
        std::size_t next = end + 1;
        if (end < text.size() && text[end] == '\r' && next < text.size() && text[next] == '\n')
            ++next;
        if (ends == LineEnds::CrLfOrLf && end < text.size() && end > start && text[end - 1] == '\r')
            --end;
        line(text.substr(start, end - start));
        start = next;
    }
}

std::vector<std::string_view> splitLines(std::string_view text, LineEnds ends,
                                         std::size_t maxLines = static_cast<std::size_t>(-1));

} // namespace pinora
