#include "tests/release/HtmlReader.h"

#include <cctype>
#include <set>

namespace helppage {
namespace {

// UTF-8 encoding of one code point.
std::string Utf8(unsigned codePoint) {
    std::string out;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

const std::map<std::string, unsigned>& NamedEntities() {
    static const std::map<std::string, unsigned> entities = {
        {"amp", '&'},      {"lt", '<'},       {"gt", '>'},        {"quot", '"'},
        {"apos", '\''},    {"nbsp", 0xA0},    {"ndash", 0x2013},  {"mdash", 0x2014},
        {"minus", 0x2212}, {"times", 0xD7},   {"rsaquo", 0x203A}, {"larr", 0x2190},
        {"rarr", 0x2192},  {"uarr", 0x2191},  {"darr", 0x2193},   {"ldquo", 0x201C},
        {"rdquo", 0x201D}, {"lsquo", 0x2018}, {"rsquo", 0x2019},  {"copy", 0xA9},
    };
    return entities;
}

bool IsVoidElement(const std::string& name) {
    static const std::set<std::string> voids = {"area",   "base",  "br",    "col",  "embed",
                                                "hr",     "img",   "input", "link", "meta",
                                                "source", "track", "wbr"};
    return voids.count(name) != 0;
}

std::string DecodeEntities(const std::string& raw, std::vector<std::string>& problems) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t end = raw.find(';', i);
        if (end == std::string::npos || end - i > 10) {
            problems.push_back("bare ampersand near: " + raw.substr(i, 20));
            out += raw[i];
            continue;
        }
        const std::string name = raw.substr(i + 1, end - i - 1);
        if (!name.empty() && name[0] == '#') {
            const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
            out += Utf8(static_cast<unsigned>(
                std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10)));
        } else if (const auto found = NamedEntities().find(name); found != NamedEntities().end()) {
            out += Utf8(found->second);
        } else {
            problems.push_back("unknown entity &" + name + ";");
        }
        i = end;
    }
    return out;
}

// A hand-written scanner rather than std::regex: libstdc++'s regex recurses
// once per character, and the page's inline images are attribute values tens
// of kilobytes long.
std::map<std::string, std::string> ParseAttributes(const std::string& inside,
                                                   std::vector<std::string>& problems) {
    std::map<std::string, std::string> attributes;
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto isNameStart = [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' || c == ':';
    };
    const auto isNameChar = [&](char c) {
        return isNameStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '-' ||
               c == '.';
    };
    std::size_t i = 0;
    while (i < inside.size()) {
        if (!isNameStart(inside[i])) {
            ++i;
            continue;
        }
        const std::size_t nameStart = i;
        while (i < inside.size() && isNameChar(inside[i]))
            ++i;
        const std::string name = inside.substr(nameStart, i - nameStart);
        std::size_t j = i;
        while (j < inside.size() && isSpace(inside[j]))
            ++j;
        std::string value;
        if (j < inside.size() && inside[j] == '=') {
            ++j;
            while (j < inside.size() && isSpace(inside[j]))
                ++j;
            if (j < inside.size() && (inside[j] == '"' || inside[j] == '\'')) {
                const char quote = inside[j];
                const std::size_t end = inside.find(quote, j + 1);
                const std::size_t stop = end == std::string::npos ? inside.size() : end;
                value = inside.substr(j + 1, stop - j - 1);
                i = stop == inside.size() ? stop : stop + 1;
            } else {
                const std::size_t valueStart = j;
                while (j < inside.size() && !isSpace(inside[j]) && inside[j] != '"' &&
                       inside[j] != '\'' && inside[j] != '>') {
                    ++j;
                }
                value = inside.substr(valueStart, j - valueStart);
                i = j;
            }
        }
        if (!attributes.emplace(name, DecodeEntities(value, problems)).second) {
            problems.push_back("attribute given twice: " + name);
        }
    }
    return attributes;
}

}  // namespace

Page ParsePage(const std::string& html) {
    Page page;
    std::vector<Element> open;
    auto addText = [&](const std::string& raw) {
        const std::string decoded = DecodeEntities(raw, page.problems);
        page.text += decoded;
        for (Element& element : open) {
            element.text += decoded;
        }
    };
    std::size_t position = 0;
    while (position < html.size()) {
        const std::size_t tagStart = html.find('<', position);
        if (tagStart == std::string::npos) {
            addText(html.substr(position));
            break;
        }
        addText(html.substr(position, tagStart - position));
        if (html.compare(tagStart, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", tagStart);
            if (end == std::string::npos) {
                page.problems.push_back("comment does not end");
                break;
            }
            position = end + 3;
            continue;
        }
        const std::size_t tagEnd = html.find('>', tagStart);
        if (tagEnd == std::string::npos) {
            page.problems.push_back("tag does not end");
            break;
        }
        position = tagEnd + 1;
        std::string tag = html.substr(tagStart + 1, tagEnd - tagStart - 1);
        if (!tag.empty() && tag[0] == '!') {
            continue;  // <!DOCTYPE html>
        }
        if (!tag.empty() && tag[0] == '/') {
            const std::string name = tag.substr(1);
            if (open.empty() || open.back().name != name) {
                page.problems.push_back(
                    "stray or crossed end tag </" + name + ">" +
                    (open.empty() ? "" : " while <" + open.back().name + "> is open"));
                continue;
            }
            page.elements.push_back(open.back());
            open.pop_back();
            continue;
        }
        const bool selfClosing = !tag.empty() && tag.back() == '/';
        if (selfClosing) {
            tag.pop_back();
        }
        const std::size_t nameEnd = tag.find_first_of(" \t\r\n");
        Element element;
        element.name = tag.substr(0, nameEnd);
        if (nameEnd != std::string::npos) {
            element.attributes = ParseAttributes(tag.substr(nameEnd), page.problems);
        }
        if (selfClosing || IsVoidElement(element.name)) {
            page.elements.push_back(element);
            continue;
        }
        if (element.name == "style" || element.name == "script") {
            // Raw text up to the end tag; never part of what a reader sees.
            const std::string endTag = "</" + element.name + ">";
            const std::size_t end = html.find(endTag, position);
            if (end == std::string::npos) {
                page.problems.push_back("<" + element.name + "> does not end");
                break;
            }
            element.text = html.substr(position, end - position);
            page.elements.push_back(element);
            position = end + endTag.size();
            continue;
        }
        open.push_back(element);
    }
    for (const Element& element : open) {
        page.problems.push_back("<" + element.name + "> is never closed");
    }
    return page;
}

}  // namespace helppage
