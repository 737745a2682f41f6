// A strict little JSON reader, so that tests can check what the tool prints is JSON.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace pinora::test {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool b = false;
    double num = 0;
    std::string str;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const {
        const auto it = fields.find(key);
        if (kind != Object || it == fields.end()) throw std::runtime_error("no field " + key);
        return it->second;
    }
    const Json& operator[](std::size_t i) const {
        if (kind != Array || i >= items.size()) throw std::runtime_error("no item");
        return items[i];
    }
};

// Throws std::runtime_error on anything that is not one well-formed JSON document.
Json parseJson(const std::string& text);

} // namespace pinora::test
