// How statements are recognised: the parse every statement runs, choosing its successor, and the
// recognition steps many statements share.
#pragma once

#include "chain/element.h"
#include "chain/notes.h"
#include "chain/text_escape.h"
#include "reader/source_reader.h"

#include <initializer_list>
#include <memory>
#include <string_view>

// A recognition step: the new element linked behind the given one, or null with the reader
// where it was.
using Recognizer = Element* (*)(SourceReader&, Element&);

// The parse of every statement: the note step, then each candidate successor in order; when none
// is there, an error report with `expected` and the input found where the last attempt left
// off. Inline, so that each statement calls its candidates directly.
inline Element* parseNext(SourceReader& reader, Element& self,
                          std::initializer_list<Recognizer> candidates, std::string_view expected) {
    // Most statements have no note in front of them, and one look at the next byte tells.
    const int next = reader.peekBehindWhitespace();
    Element& predecessor =
        next == -1 || next == 'n' || next == 'N' || next == '<' ? skipNotes(reader, self) : self;
    for (const Recognizer tryCreate : candidates) {
        if (Element* created = tryCreate(reader, predecessor)) return created;
    }
    return Element::linkBehind(predecessor, ErrorElement::atReader(expected, reader));
}

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
