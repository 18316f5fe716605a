// A variable's code list: VALUES, at most one range first, then code entries.
#include "grammar/values.h"

#include "chain/survey_output.h"
#include "chain/text_escape.h"
#include "chain/xml_output.h"
#include "grammar/column_math.h"
#include "grammar/end_markers.h"
#include "grammar/recognition.h"
#include "reader/source_reader.h"

#include <algorithm>
#include <memory>

Element* ValuesElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<ValuesElement>(reader, previous, {"values"});
}

const std::string_view ValuesElement::expected = "Variable Range, Code or 'End Values'";

Element* ValuesElement::parse(SourceReader& reader) {
    return parseNext(
        reader, *this,
        {RangeElement::tryCreate, ValueElement::tryCreate, EndValuesElement::tryCreate}, expected);
}

void ValuesElement::write(XmlOutput& out) {
    out.line("<values>");
    out.nest();
}

// The whole variable is in the chain when it is described: its entries are counted first, so
// that the model's list is made once in its size.
void ValuesElement::describe(SurveyOutput& model) {
    std::size_t entries = 0;
    if (model.countsEntries()) {
        for (const Element* e = nextElement(); e && !e->isEnd(); e = e->nextElement())
            entries += e->isValue() ? 1 : 0;
    }
    model.beginValues(entries);
}

Element* ValueElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto start = reader.position();
    std::string_view code;
    reader.readNumber(code); // the code may be missing
    std::string_view label;
    if (!reader.readKeywordString("", label)) {
        reader.restore(start);
        return nullptr;
    }
    auto value = std::make_unique<ValueElement>(code, CodedText(reader, label));
    value->special = reader.matchKeyword("special"); // leaves no trace in the XML
    return linkBehind(previous, std::move(value));
}

const std::string_view ValueElement::expected = "Variable Code or 'End Values'";

Element* ValueElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {ValueElement::tryCreate, EndValuesElement::tryCreate},
                     expected);
}

void ValueElement::write(XmlOutput& out) {
    out.startLine();
    out.write("<value");
    if (!code.empty()) {
        out.write(" code=\"");
        out.write(code);
        out.put('"');
    }
    out.put('>');
    writeText(out, label.decoded(out.decodingRoom));
    out.endTextElement("value");
}

void ValueElement::describe(SurveyOutput& model) {
    codeWidth(model.highestCode);
    model.value({code, model.highestCode, label.decoded(model.decodingRoom), special});
}

std::int64_t ValueElement::codeWidth(std::int64_t& highest) const {
    if (code.empty()) {
        highest = saturatingAdd(highest, 1);
        return decimalLength(highest);
    }
    highest = std::max(highest, leadingInteger(code));
    return static_cast<std::int64_t>(code.size());
}

Element* RangeElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto start = reader.position();
    std::string_view from;
    std::string_view to;
    if (!reader.readNumber(from) || !reader.matchKeyword("to") || !reader.readNumber(to)) {
        reader.restore(start);
        return nullptr;
    }
    Element* range = linkBehind(previous, std::make_unique<RangeElement>(from, to));
    reader.matchKeyword("with"); // allowed, and leaves no trace
    return range;
}

const std::string_view RangeElement::expected = "Variable Code or 'End Values'";

Element* RangeElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {ValueElement::tryCreate, EndValuesElement::tryCreate},
                     expected);
}

void RangeElement::write(XmlOutput& out) {
    out.startLine();
    out.write("<range from=\"");
    out.write(from);
    out.write("\" to=\"");
    out.write(to);
    out.write("\"/>");
    out.endLine();
}

void RangeElement::describe(SurveyOutput& model) {
    codeWidth(model.highestCode);
    model.range(from, to);
}

std::int64_t RangeElement::codeWidth(std::int64_t& highest) const {
    highest = std::max(highest, leadingInteger(to));
    return static_cast<std::int64_t>(std::max(from.size(), to.size()));
}
