// The notes beside a diagnostic, for diagnostics the converter really gives: a misspelt keyword,
// a version, type or record identifier that is none, and a RECORD that took a keyword's letter.
#include "frontend/diagnostic_hints.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr std::string_view head = "VQZ\nVERSION 1.1\nSURVEY\nTITLE \"t\"\nRECORD A\n";
constexpr std::string_view variable = "VARIABLE 1\n  NAME \"n\"\n  LABEL \"l\"\n";

TEST(DiagnosticHintTest, NotesTheLikelyCause) {
    const std::string typed = std::string(head) + std::string(variable) + "  TYPE single\n";
    const std::string positioned = typed + "  POSITION 1\n";
    struct Case {
        std::string input;
        std::string note; // empty: none
    };
    const Case cases[] = {
        {"VQZ\nVERSION 1.1\nSURVX\n", "t:3:1: note: did you mean 'SURVEY'?"},
        {"VQZ\nVERSION 1.1\nSTANDARD NAMES\nsruvey\n", "t:4:1: note: did you mean 'SURVEY'?"},
        {"VQZ\nVERSION 1.1\nSTANDART NAMES\n", "t:3:1: note: did you mean 'STANDARD NAMES'?"},
        {"VQX\n", "t:1:1: note: did you mean 'VQZ'?"},
        {"VQZ\nVERSION 1.2\n", "t:2:1: note: only versions 1.0 and 1.1 exist"},
        {"VQZ\r\nversion 2\r\n", "t:2:1: note: only versions 1.0 and 1.1 exist"},
        {"VQZ\nVERSON 1.1\n", "t:2:1: note: did you mean 'VERSION'?"},
        {std::string(head) + "VARAIBLE 1\n", "t:6:1: note: did you mean 'VARIABLE'?"},
        {std::string(head) + "VARIABLE 1\n  NAME \"n\"\n  LABLE \"l\"\n",
         "t:8:3: note: did you mean 'LABEL'?"},
        {std::string(head) + std::string(variable) + "  TYPE singel\n",
         "t:9:3: note: the types are single, multiple, quantity, character and logical"},
        {typed + "  POSITON 1\n", "t:10:3: note: did you mean 'POSITION'?"},
        {positioned + "END VARIABEL\n", "t:11:1: note: did you mean 'END VARIABLE'?"},
        {positioned + "ENDVARIABEL\n", "t:11:1: note: did you mean 'END VARIABLE'?"},
        {positioned + "END VARIABLE\nVARIABL 2\n", "t:12:1: note: did you mean 'VARIABLE'?"},
        {positioned + "VALUES 1 \"a\" END VALEUS\n", "t:11:14: note: did you mean 'END VALUES'?"},
        // RECORD takes the V of VARIABLE as its identifier; the note points at the V.
        {"VQZ\nVERSION 1.1\nSURVEY\nRECORD\nVARIABLE 1\n",
         "t:5:1: note: RECORD took the 'V' of 'VARIABLE' as its one-letter identifier"},
        {"VQZ\nVERSION 1.1\nSURVEY\nTITLE \"t\"\nRECORD 7\n",
         "t:5:1: note: a record's identifier is one letter, as in 'RECORD A'"},
        // No clear cause: a word far from any keyword, one too short to tell, the keyword itself
        // with the wrong thing behind it, a word that goes on and on, the end of the input.
        {"VQZ\nVERSION 1.1\nSURVEY\nBOGUS\n", ""},
        {"Q\n", ""},
        {positioned + "END SURVEY\n", ""},
        {std::string(head) + "VARIABLE\n", ""},
        {"VQZ\nVERSION 1.1\nSURVEY" + std::string(100000, 'Y') + "\n", ""},
        {"VQZ\nVERSION 1.1\n", ""},
        {"VQZ\nVERSION 1.1\nSURVEY\nRECORD A\nARIABLE 1\n",
         "t:5:1: note: did you mean 'VARIABLE'?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 200));
        const vqz2xml::Result result = vqz2xml::convert(c.input);
        ASSERT_TRUE(result.diagnostic);
        const auto hint = diagnosticHint(*result.diagnostic, c.input);
        EXPECT_EQ(c.note, hint ? noteLine("t", *hint) : "");
    }
}

} // namespace
