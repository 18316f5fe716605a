// Where a variable's data lie: POSITION (or the computed columns of version 1.0), SPREAD and SIZE.
#include "grammar/position_size.h"

#include "chain/survey_output.h"
#include "chain/xml_output.h"
#include "grammar/column_math.h"
#include "grammar/end_markers.h"
#include "grammar/recognition.h"
#include "grammar/values.h"
#include "reader/source_reader.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <string>

namespace {

// The first element behind `from` and in front of `end` that `wanted` accepts.
template <class Wanted> Element* findForward(Element& from, Element& end, Wanted wanted) {
    for (Element* element = from.nextElement(); element && element != &end;
         element = element->nextElement()) {
        if (wanted(*element)) return element;
    }
    return nullptr;
}

std::int64_t entryWidth(Element& entry, std::int64_t& highest) {
    if (entry.isValue()) return static_cast<ValueElement&>(entry).codeWidth(highest);
    return static_cast<RangeElement&>(entry).codeWidth(highest);
}

bool isCodeOrRange(const Element& element) { return element.isValue() || element.isRange(); }

} // namespace

Element* PositionElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto begin = reader.position();
    if (reader.minorVersion() == 0)
        return linkBehind(previous, std::make_unique<PositionElement>());
    std::string_view first;
    if (!reader.matchKeyword("position") || !reader.readDigits(first)) {
        reader.restore(begin);
        return nullptr;
    }
    // A TO without digits behind it stays consumed and gives no finish.
    std::string_view last;
    if (reader.matchKeyword("to")) reader.readDigits(last);
    return linkBehind(previous, std::make_unique<PositionElement>(first, last));
}

const std::string_view PositionElement::expected =
    "'Spread' or 'Size' or 'Values' or 'End Variable'";

Element* PositionElement::parse(SourceReader& reader) {
    return parseNext(reader, *this,
                     {SpreadElement::tryCreate, SizeElement::tryCreate, ValuesElement::tryCreate,
                      EndVariableElement::tryCreate},
                     expected);
}

namespace {

void writeColumnAttribute(XmlOutput& out, std::string_view name, std::string_view typed,
                          std::int64_t computed) {
    out.write(name);
    out.write("=\"");
    if (computed > 0) {
        char digits[20];
        const auto written = std::to_chars(digits, digits + sizeof digits, computed);
        out.write(std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
    } else {
        out.write(typed);
    }
    out.put('"');
}

} // namespace

void PositionElement::write(XmlOutput& out) {
    if (start.empty() && computedStart == 0) {
        // A version 1.0 variable whose END VARIABLE was never reached has no columns.
        out.line("<position/>");
        return;
    }
    out.startLine();
    out.write("<position ");
    writeColumnAttribute(out, "start", start, computedStart);
    if (!finish.empty() || computedFinish > 0) {
        out.put(' ');
        writeColumnAttribute(out, "finish", finish, computedFinish);
    }
    out.write("/>");
    out.endLine();
}

// The columns the XML shows, and how many the variable takes in a record.
void PositionElement::describe(SurveyOutput& model) {
    if (computedStart > 0) {
        model.position(computedStart,
                       computedFinish > 0 ? std::optional<std::int64_t>(computedFinish)
                                          : std::nullopt,
                       computedWidth);
    } else if (!start.empty()) {
        const std::int64_t first = digitsValue(start);
        if (finish.empty()) {
            model.position(first, std::nullopt, 1);
        } else {
            const std::int64_t last = digitsValue(finish);
            model.position(first, last, last >= first ? saturatingAdd(last - first, 1) : 0);
        }
    } else {
        model.position(std::nullopt, std::nullopt, 0);
    }
}

// Every walk stays between the variable's own type and its END VARIABLE, so a variable that
// lacks what its kind needs gets a width from what it has rather than from its neighbours.
void PositionElement::computePosition(SourceReader& reader, Element& endVariable) {
    Element* type = previousElement();
    while (type && !type->isType() && !type->isVariable()) type = type->previousElement();
    if (!type || !type->isType()) return;
    if (type->isSingle() || type->isMultiple()) {
        assignColumns(reader, codeColumns(endVariable, type->isSingle()));
    } else if (type->isQuantity()) {
        assignColumns(reader, quantityColumns(endVariable));
    } else if (type->isCharacter()) {
        assignColumns(reader, characterColumns(endVariable));
    } else if (type->isLogical()) {
        assignColumns(reader, 1);
    }
}

// A single variable takes the widest code; a multiple one a column per code up to the highest.
std::int64_t PositionElement::codeColumns(Element& endVariable, bool single) {
    std::int64_t highest = 0;
    std::int64_t width = 1;
    if (Element* values =
            findForward(*this, endVariable, [](Element& e) { return e.isValues(); })) {
        for (Element* entry = values->nextElement();
             entry && entry != &endVariable && isCodeOrRange(*entry);
             entry = entry->nextElement()) {
            width = std::max(width, entryWidth(*entry, highest));
        }
    }
    return single ? width : highest;
}

std::int64_t PositionElement::quantityColumns(Element& endVariable) {
    Element* found =
        findForward(*this, endVariable, [](Element& e) { return e.isSize() || e.isValues(); });
    if (!found) return 0;
    if (found->isSize()) {
        return static_cast<std::int64_t>(static_cast<SizeElement*>(found)->sizeText().size());
    }
    Element* entry = found->nextElement();
    if (!entry || entry == &endVariable || !isCodeOrRange(*entry)) return 0;
    std::int64_t highest = 0;
    return std::max<std::int64_t>(entryWidth(*entry, highest), 0);
}

std::int64_t PositionElement::characterColumns(Element& endVariable) {
    for (Element* element = &endVariable; element && element != this;
         element = element->previousElement()) {
        if (element->isSize())
            return leadingInteger(static_cast<SizeElement*>(element)->sizeText());
    }
    return 0;
}

// A variable of one column, or of none, has a start and no finish.
void PositionElement::assignColumns(SourceReader& reader, std::int64_t width) {
    computedWidth = width;
    computedStart = saturatingAdd(reader.columnsUsed(), 1);
    reader.setColumnsUsed(saturatingAdd(reader.columnsUsed(), width));
    computedFinish = width > 1 ? reader.columnsUsed() : 0;
}

Element* SpreadElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto begin = reader.position();
    std::string_view subfields;
    if (!reader.matchKeyword("spread") || !reader.readDigits(subfields)) {
        reader.restore(begin);
        return nullptr;
    }
    // An OF without digits behind it stays consumed and gives no width.
    std::string_view width;
    if (reader.matchKeyword("of")) reader.readDigits(width);
    return linkBehind(previous, std::make_unique<SpreadElement>(subfields, width));
}

const std::string_view SpreadElement::expected = "Variable 'Values'";

Element* SpreadElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {ValuesElement::tryCreate}, expected);
}

void SpreadElement::write(XmlOutput& out) {
    out.startLine();
    out.write("<spread subfields=\"");
    out.write(subfields);
    out.put('"');
    if (!width.empty()) {
        out.write(" width=\"");
        out.write(width);
        out.put('"');
    }
    out.write("/>");
    out.endLine();
}

void SpreadElement::describe(SurveyOutput& model) {
    model.spread(digitsValue(subfields),
                 width.empty() ? std::nullopt : std::optional<std::int64_t>(digitsValue(width)));
}

Element* SizeElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto begin = reader.position();
    if (!reader.matchKeyword("size")) {
        reader.restore(begin);
        return nullptr;
    }
    if (reader.minorVersion() == 0) {
        // Version 1.0 also knows SIZE low TO high: a block of values with that one range.
        const auto behindKeyword = reader.position();
        std::string_view from;
        std::string_view to;
        if (reader.readNumber(from) && reader.matchKeyword("to") && reader.readNumber(to)) {
            Element* values = linkBehind(previous, std::make_unique<ValuesElement>());
            Element* range = linkBehind(*values, std::make_unique<RangeElement>(from, to));
            return linkBehind(*range, std::make_unique<EndValuesElement>());
        }
        reader.restore(behindKeyword);
    }
    std::string_view size;
    if (!reader.readDigits(size)) {
        reader.restore(begin);
        return nullptr;
    }
    return linkBehind(previous, std::make_unique<SizeElement>(size));
}

const std::string_view SizeElement::expected = "'End Variable'";

Element* SizeElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {EndVariableElement::tryCreate}, expected);
}

void SizeElement::write(XmlOutput& out) {
    out.startTextElement("size");
    out.write(size);
    out.endTextElement("size");
}

void SizeElement::describe(SurveyOutput& model) { model.size(digitsValue(size)); }
