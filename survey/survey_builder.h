// The survey model made from the element chain: each element describes itself to a builder, in
// the order the write pass visits them, as it would write itself to the XML output.
#pragma once

#include "chain/survey_output.h"
#include "vqz2xml/survey.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The variable being described, as a sink is given it: its fields but for the label and the
// code entries, and its label as the label statements give it, in the internal text form, read
// in `encoding`. It is the builder's and valid during the call only: its room is reused for the
// next one, so that a stream of variables costs no allocation for each.
struct OpenVariable {
    const vqz2xml::Variable& fields;
    std::string_view label;
    vqz2xml::Encoding encoding;
};

// Where finished parts of the model go. The head (everything in front of the first variable)
// comes once, before the first variable, or at the end when there is none; then each variable as
// soon as nothing later can change it.
class SurveySink {
  public:
    virtual ~SurveySink();
    virtual void head(const vqz2xml::Survey& survey) = 0;
    // Each code entry as it is described: a sink writes the entries out at once, and the model
    // keeps no copy of them. The code list is the last of a variable's statements, so `of` has
    // every other field it will have.
    virtual void codeEntry(const OpenVariable& of, const CodeEntry& entry) = 0;
    // The variable once it is finished, after its entries.
    virtual void variable(const OpenVariable& variable) = 0;
    // A note as it is described, its text UTF-8 (valid during the call only) and `before` the
    // index of the variable that follows it; the model keeps no copy of the notes either.
    virtual void note(std::string_view text, std::size_t before) = 0;
};

class alignas(64) SurveyBuilder : public SurveyOutput { // 64 bytes: a cache line
  public:
    // Texts are read in `encoding` (not Auto). Without a sink the variables and the notes
    // stay in the survey.
    explicit SurveyBuilder(vqz2xml::Encoding encoding, SurveySink* sink = nullptr);

    void version(int minor) override;
    void standardNames() override { model.standardNames = true; }
    void headerField(HeaderField field, std::string_view typed) override;
    void title(std::string_view text) override;
    void record(char letter) override;
    void beginVariable(std::string_view ident) override;
    void name(std::string_view typed) override;
    void label(std::string_view text) override;
    void type(vqz2xml::VariableType type) override;
    void position(std::optional<std::int64_t> start, std::optional<std::int64_t> finish,
                  std::int64_t width) override;
    void spread(std::int64_t subfields, std::optional<std::int64_t> width) override;
    void size(std::int64_t size) override;
    void range(std::string_view from, std::string_view to) override;
    bool countsEntries() const override { return sink == nullptr; }
    void beginValues(std::size_t entries) override;
    void value(const CodeEntry& entry) override;
    void endVariable() override;
    void note(std::string_view typed) override;

    // Hands over what is still open: the head, a variable the input ended in.
    void finish();
    vqz2xml::Survey& survey() { return model; }

  private:
    vqz2xml::Variable* current();
    OpenVariable handed() const { return {open, openLabel, encoding}; }
    void handHead();
    void reuseOpen(std::string_view ident);

    vqz2xml::Encoding encoding;
    SurveySink* sink;
    vqz2xml::Survey model;
    vqz2xml::Variable open; // the variable being described
    std::string openLabel;  // its label in the internal form, for a sink
    std::string noteText;   // a note's text for a sink, its room reused
    bool isOpen = false;
    std::size_t variablesBegun = 0;
    bool headHanded = false;
    bool seen[4] = {};
};

// A text of the internal form as UTF-8: typed bytes from 0x80 up read in `encoding`, marked
// characters as the characters they stand for ("{nl}" a line feed).
void appendUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding);

// Typed bytes as UTF-8, read in `encoding`, a zero byte among them included.
void appendTypedUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding);

// A note's typed text as UTF-8, as a comment holds it: in Windows-1252 its characters, otherwise
// a valid UTF-8 sequence as it stands and any other byte from 0x80 up its Latin-1 character.
void appendNoteUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding);
