// Just enough JSON for the administration tool's reports.
#pragma once

#include <string>
#include <string_view>

namespace pinora::cli {

// A JSON string literal, quotes included. The input is UTF-8; a byte that does not belong to
// a well-formed sequence becomes U+FFFD, so the output is always valid JSON.
std::string jsonString(std::string_view utf8);

// For a terminal: control characters (C0, DEL, C1) become '?', and malformed UTF-8 becomes
// U+FFFD, so a stored text cannot steer the terminal.
std::string printable(std::string_view utf8);
// As printable, with the lines of a several-line text (a client's error and the server's reply)
// joined by "; ", so that an error stays one readable line.
std::string printableOneLine(std::string_view utf8);

// Writes one JSON document with indentation; the caller keeps keys and values paired.
class JsonWriter {
  public:
    void beginObject(std::string_view key = {});
    void endObject();
    void beginArray(std::string_view key = {});
    void endArray();
    void string(std::string_view key, std::string_view utf8);
    void number(std::string_view key, long long value);
    void boolean(std::string_view key, bool value);
    void null(std::string_view key);
    // Array elements: no key.
    void string(std::string_view utf8) { string({}, utf8); }
    void number(long long value) { number({}, value); }

    const std::string& text() const { return out_; }

  private:
    void item(std::string_view key);
    void close(char bracket);

    std::string out_;
    int depth_ = 0;
    bool first_ = true;
};

} // namespace pinora::cli
