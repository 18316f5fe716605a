// The opening statements of a variable: VARIABLE, NAME, LABEL and TYPE.
#include "grammar/variable.h"

#include "chain/survey_output.h"
#include "chain/xml_output.h"
#include "grammar/position_size.h"
#include "grammar/recognition.h"
#include "reader/source_reader.h"

#include <memory>

Element* VariableElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto start = reader.position();
    std::string_view ident;
    if (!reader.matchKeyword("variable") || !reader.readDigits(ident)) {
        reader.restore(start);
        return nullptr;
    }
    return linkBehind(previous, std::make_unique<VariableElement>(ident));
}

const std::string_view VariableElement::expected = "NAME \"var_name\"";

Element* VariableElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {NameElement::tryCreate}, expected);
}

void VariableElement::write(XmlOutput& out) {
    out.startLine();
    out.write("<variable ident=\"");
    out.write(ident);
    out.write("\" ");
    // The type is read after the name and the label but belongs in the start tag.
    for (Element* element = nextElement(); element && !element->isEnd();
         element = element->nextElement()) {
        if (element->isType()) {
            element->writeAndDelete(out);
            break;
        }
    }
    out.put('>');
    out.endLine();
    out.nest();
}

Element* NameElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateWithText<NameElement, BraceCodes::Kept>(reader, previous, "name");
}

const std::string_view NameElement::expected = "LABEL \"var_label\"";

Element* NameElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {LabelElement::tryCreate}, expected);
}

void NameElement::write(XmlOutput& out) {
    out.startTextElement("name");
    writeText(out, text);
    out.endTextElement("name");
}

Element* LabelElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateWithText<LabelElement, BraceCodes::Decoded>(reader, previous, "label");
}

const std::string_view LabelElement::expected = "TYPE var_type";

Element* LabelElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {TypeElement::tryCreate}, expected);
}

void LabelElement::write(XmlOutput& out) {
    out.startTextElement("label");
    writeText(out, text.decoded(out.decodingRoom));
    out.endTextElement("label");
}

Element* TypeElement::tryCreate(SourceReader& reader, Element& previous) {
    struct Kind {
        std::string_view name;
        VariableKind kind;
    };
    static constexpr Kind kinds[] = {{"single", VariableKind::Single},
                                     {"multiple", VariableKind::Multiple},
                                     {"quantity", VariableKind::Quantity},
                                     {"character", VariableKind::Character},
                                     {"logical", VariableKind::Logical}};
    const auto start = reader.position();
    if (reader.matchKeyword("type")) {
        for (const Kind& k : kinds) {
            if (reader.matchKeyword(k.name)) {
                return linkBehind(previous, std::make_unique<TypeElement>(k.name, k.kind));
            }
        }
    }
    reader.restore(start);
    return nullptr;
}

const std::string_view TypeElement::expected = "Variable 'Position'";

Element* TypeElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {PositionElement::tryCreate}, expected);
}

void TypeElement::write(XmlOutput& out) {
    out.write("type=\"");
    out.write(kindName);
    out.put('"');
}

void VariableElement::describe(SurveyOutput& model) { model.beginVariable(ident); }

void NameElement::describe(SurveyOutput& model) { model.name(text); }

void LabelElement::describe(SurveyOutput& model) { model.label(text.decoded(model.decodingRoom)); }

void TypeElement::describe(SurveyOutput& model) {
    switch (kind) {
    case VariableKind::Single: model.type(vqz2xml::VariableType::Single); return;
    case VariableKind::Multiple: model.type(vqz2xml::VariableType::Multiple); return;
    case VariableKind::Quantity: model.type(vqz2xml::VariableType::Quantity); return;
    case VariableKind::Character: model.type(vqz2xml::VariableType::Character); return;
    case VariableKind::Logical: model.type(vqz2xml::VariableType::Logical); return;
    }
}
