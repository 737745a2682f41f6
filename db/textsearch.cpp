#include "textsearch.h"

#include <algorithm>
#include <array>

namespace pinora {

namespace {

// What each Windows-1252 byte folds to; an empty entry keeps the byte as it is.
struct FoldTable {
    std::array<const char*, 256> to{};
    FoldTable() {
        auto range = [this](int from, int upTo, const char* base) {
            for (int c = from; c <= upTo; ++c)
                to[c] = base;
        };
        to[0x9A] = "s"; // š
        to[0x9C] = "oe";
        to[0x9E] = "z"; // ž
        range(0xE0, 0xE5, "a");
        to[0xE6] = "ae";
        to[0xE7] = "c";
        range(0xE8, 0xEB, "e");
        range(0xEC, 0xEF, "i");
        to[0xF0] = "d";
        to[0xF1] = "n";
        range(0xF2, 0xF6, "o");
        to[0xF8] = "o";
        range(0xF9, 0xFC, "u");
        to[0xFD] = "y";
        to[0xFE] = "th";
        to[0xFF] = "y";
        to[0xDF] = "ss";
        // Capitals fold as their small letters: in Windows-1252 these lie 0x10 or 0x20 below.
        for (int c = 'A'; c <= 'Z'; ++c)
            lower[c] = static_cast<unsigned char>(c + 0x20);
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) lower[c] = static_cast<unsigned char>(c + 0x20);
        lower[0x8A] = 0x9A;
        lower[0x8C] = 0x9C;
        lower[0x8E] = 0x9E;
        lower[0x9F] = 0xFF; // Ÿ
    }
    std::array<unsigned char, 256> lower = [] {
        std::array<unsigned char, 256> same{};
        for (int c = 0; c < 256; ++c)
            same[c] = static_cast<unsigned char>(c);
        return same;
    }();
};

const FoldTable& foldTable() {
    static const FoldTable table;
    return table;
}

bool isSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' ||
           c == 0xA0; // no-break space
}

} // namespace

std::string foldForSearch(std::string_view cp1252) {
    const FoldTable& table = foldTable();
    std::string out;
    out.reserve(cp1252.size());
    for (const char ch : cp1252) {
        const unsigned char c = table.lower[static_cast<unsigned char>(ch)];
        if (const char* to = table.to[c])
            out.append(to);
        else
            out.push_back(static_cast<char>(c));
    }
    return out;
}

std::vector<std::string> searchWords(std::string_view cp1252) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < cp1252.size()) {
        while (i < cp1252.size() && isSpace(static_cast<unsigned char>(cp1252[i])))
            ++i;
        std::size_t end = i;
        while (end < cp1252.size() && !isSpace(static_cast<unsigned char>(cp1252[end])))
            ++end;
        if (end > i) {
            std::string word = foldForSearch(cp1252.substr(i, end - i));
            if (std::find(words.begin(), words.end(), word) == words.end())
                words.push_back(std::move(word));
        }
        i = end;
    }
    return words;
}

bool containsAllWords(std::string_view folded, const std::vector<std::string>& words) {
    return std::all_of(words.begin(), words.end(), [folded](const std::string& w) {
        return folded.find(w) != std::string_view::npos;
    });
}

} // namespace pinora
