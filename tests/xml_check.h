// A tiny XML well-formedness check for the pictures the lab writes (no XML library is a dependency).
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace vesko::test {

// Empty when `text` is one well-formed element (after an optional
// declaration): tags nest and match, attributes are quoted, and & starts one
// of the five predefined entities or a character reference. Otherwise what is wrong.
inline std::string xmlProblem(std::string_view text) {
    std::vector<std::string_view> open;
    std::size_t i = text.starts_with("<?xml") ? text.find("?>") + 2 : 0;
    bool rootSeen = false;
    while (i < text.size()) {
        if (text[i] == '&') {
            const std::size_t end = text.find(';', i);
            const std::string_view name = text.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1);
            if (name != "amp" && name != "lt" && name != "gt" && name != "quot" && name != "apos" &&
                !name.starts_with('#')) {
                return "bad entity at " + std::to_string(i);
            }
            i = end + 1;
            continue;
        }
        if (text[i] != '<') {
            if (open.empty() && !std::isspace(static_cast<unsigned char>(text[i]))) return "text outside the root";
            ++i;
            continue;
        }
        const std::size_t end = text.find('>', i);
        if (end == std::string_view::npos) return "unclosed tag at " + std::to_string(i);
        std::string_view tag = text.substr(i + 1, end - i - 1);
        if (std::count(tag.begin(), tag.end(), '"') % 2 != 0 || tag.find('<') != std::string_view::npos) {
            return "bad attributes at " + std::to_string(i);
        }
        if (tag.starts_with('/')) {
            if (open.empty() || open.back() != tag.substr(1)) return "mismatched close at " + std::to_string(i);
            open.pop_back();
        } else {
            const bool empty = tag.ends_with('/');
            const std::string_view name = tag.substr(0, tag.find_first_of(" /\n"));
            if (open.empty() && rootSeen) return "second root element";
            rootSeen = true;
            if (!empty) open.push_back(name);
        }
        i = end + 1;
    }
    return open.empty() && rootSeen ? "" : "unclosed elements";
}

}  // namespace vesko::test
