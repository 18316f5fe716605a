// The facts a document shows, read back with libxml2 and set beside the survey model's.
#include "tests/golden/schema_check.h"

#include <cstdio>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>
#include <string>

namespace {

using vqz2xml::Survey;

bool named(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

std::string attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "-";
    xmlFree(value);
    return text;
}

// An element's text, a <br/> read as the line feed it stands for.
std::string textOf(const xmlNode* node) {
    std::string text;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE) text += reinterpret_cast<const char*>(child->content);
        if (named(child, "br")) text += '\n';
    }
    return text;
}

// A number attribute as the model holds it: leading zeros gone.
std::string number(const std::string& digits) {
    if (digits == "-") return digits;
    const auto first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

std::string lineEndsAsXmlReadsThem(std::string text) {
    std::string read;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            read += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            read += text[i];
        }
    }
    return read;
}

// The model's text as the XML must show it: control characters but tab, line feed and carriage
// return as their brace codes.
std::string shown(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            char code[5];
            std::snprintf(code, sizeof code, "{%02x}", b);
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

// A note as its comment holds it: "-->" and double hyphens mended.
std::string asComment(const std::string& text) {
    std::string out;
    bool afterHyphen = false;
    const std::string typed = shown(text);
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed.compare(i, 3, "-->") == 0) {
            out += '<';
            afterHyphen = false;
        } else if (typed[i] == '-') {
            if (afterHyphen) out += ' ';
            out += '-';
            afterHyphen = true;
        } else {
            out += typed[i];
            afterHyphen = false;
        }
    }
    return lineEndsAsXmlReadsThem(out);
}

// What a document shows, a line per fact; the notes apart, each with the number of variables in
// front of it, as the pulled-forward head leaves their places among the head's fields open.
struct Dump {
    std::string text;
    std::string notes;
    std::size_t variables = 0;

    void line(const std::string& what) { text += what + '\n'; }
    void element(const xmlNode* node) {
        if (node->type == XML_COMMENT_NODE) {
            std::string content = reinterpret_cast<const char*>(node->content);
            content = content.substr(1, content.size() - 2); // the blanks around it
            notes += "note " + std::to_string(variables) + " " + content + '\n';
            return;
        }
        if (node->type != XML_ELEMENT_NODE) return;
        const std::string name = reinterpret_cast<const char*>(node->name);
        if (name == "variable") {
            ++variables;
            line("variable " + attribute(node, "ident") + " " + attribute(node, "type"));
        } else if (name == "title" || name == "name" || name == "label") {
            line(name + " " + textOf(node));
        } else if (name == "date" || name == "time" || name == "origin" || name == "user") {
            if (firstHeader(name)) line(name + " " + textOf(node));
        } else if (name == "record") {
            line("record " + attribute(node, "ident"));
        } else if (name == "position") {
            line("position " + number(attribute(node, "start")) + " " +
                 number(attribute(node, "finish")));
        } else if (name == "spread") {
            line("spread " + number(attribute(node, "subfields")) + " " +
                 number(attribute(node, "width")));
        } else if (name == "size") {
            line("size " + number(textOf(node)));
        } else if (name == "range") {
            line("range " + attribute(node, "from") + " " + attribute(node, "to"));
        } else if (name == "value") {
            line("value " + attribute(node, "code") + " " + textOf(node));
        }
        if (name == "vqz" || name == "survey" || name == "record" || name == "variable" ||
            name == "values") {
            for (const xmlNode* child = node->children; child; child = child->next) element(child);
        }
    }
    bool firstHeader(const std::string& name) {
        if (headers.find(" " + name + " ") != std::string::npos) return false;
        headers += " " + name + " ";
        return true;
    }
    std::string headers;
};

std::string optionalNumber(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "-";
}

// The model in the same lines.
std::string dumpOf(const Survey& survey) {
    Dump dump;
    const std::pair<const char*, const std::optional<std::string>*> headers[] = {
        {"date", &survey.date}, {"time", &survey.time}, {"origin", &survey.origin},
        {"user", &survey.user}};
    for (const auto& [name, text] : headers) {
        if (*text) dump.line(std::string(name) + " " + shown(**text));
    }
    if (survey.title) dump.line("title " + shown(*survey.title));
    if (survey.record) dump.line("record " + *survey.record);
    for (const vqz2xml::Variable& variable : survey.variables) {
        dump.line("variable " + variable.ident + " " + std::string(typeName(variable.type)));
        dump.line("name " + shown(variable.name));
        dump.line("label " + shown(variable.label));
        dump.line("position " + optionalNumber(variable.start) + " " +
                  optionalNumber(variable.finish));
        if (variable.spread) {
            dump.line("spread " + std::to_string(variable.spread->subfields) + " " +
                      optionalNumber(variable.spread->width));
        }
        if (variable.size) dump.line("size " + std::to_string(*variable.size));
        if (variable.range) dump.line("range " + variable.range->from + " " + variable.range->to);
        for (const vqz2xml::Code& code : variable.values) {
            dump.line("value " + code.code.value_or("-") + " " + shown(code.label));
        }
    }
    for (const vqz2xml::Note& note : survey.notes)
        dump.line("note " + std::to_string(note.before) + " " + asComment(note.text));
    return dump.text;
}

} // namespace

std::string surveyMismatch(const std::string& xml, const Survey& survey) {
    const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> document(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "survey.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!document) return "not well-formed";
    const xmlNode* root = xmlDocGetRootElement(document.get());
    Dump fromXml;
    for (const xmlNode* node = document->children; node; node = node->next) fromXml.element(node);
    std::string shownByXml = attribute(root, "options") == "standardnames" ? "standard names\n" : "";
    shownByXml += fromXml.text + fromXml.notes;
    const std::string model = (survey.standardNames ? "standard names\n" : "") + dumpOf(survey);
    if (shownByXml == model) return "";
    return "the XML shows:\n" + shownByXml + "the model holds:\n" + model;
}
