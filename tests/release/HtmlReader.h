// A small HTML reader for the checks of the help page: enough to check
// structure and collect elements.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace helppage {

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;  // all text inside, entities decoded
};

// A small HTML reader: enough to check structure and collect elements. It
// records a problem for every unclosed, stray or crossed tag, every unknown
// entity and every tag that does not end.
struct Page {
    std::vector<Element> elements;  // in order of their end
    std::string text;               // all text outside style, entities decoded
    std::vector<std::string> problems;
};

// Reads the page; every unclosed, stray or crossed tag, unknown entity and
// unended tag becomes a problem of the result.
Page ParsePage(const std::string& html);

}  // namespace helppage
