// Recognition steps that many statements share: keywords alone, or a keyword with a quoted text.
#pragma once

#include "chain/element.h"
#include "chain/text_escape.h"
#include "reader/source_reader.h"

#include <initializer_list>
#include <memory>
#include <string_view>

// The keywords in turn, white space allowed in front of each: the statement's element linked
// behind `previous`, or null with the reader back where it was.
template <class Statement>
Statement* tryCreateAfterKeywords(SourceReader& reader, Element& previous,
                                  std::initializer_list<std::string_view> keywords) {
    const auto start = reader.position();
    for (const std::string_view keyword : keywords) {
        if (!reader.matchKeyword(keyword)) {
            reader.restore(start);
            return nullptr;
        }
    }
    return Element::linkBehind(previous, std::make_unique<Statement>());
}

enum class BraceCodes { Kept, Decoded };

// KEYWORD ["text"]: the statement's element made with the text (empty when no quote follows),
// or null with the reader back where it was. A text whose brace codes count is handed over as a
// CodedText, decoded when written.
template <class Statement, BraceCodes codes>
Statement* tryCreateWithText(SourceReader& reader, Element& previous, std::string_view keyword) {
    const auto start = reader.position();
    std::string_view text;
    if (!reader.readKeywordString(keyword, text)) {
        reader.restore(start);
        return nullptr;
    }
    if constexpr (codes == BraceCodes::Decoded) {
        return Element::linkBehind(previous, std::make_unique<Statement>(CodedText(reader, text)));
    } else {
        return Element::linkBehind(previous, std::make_unique<Statement>(text));
    }
}
