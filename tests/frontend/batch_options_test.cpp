// The names --encoding takes: the Python module's for the three encodings, and auto.
#include "frontend/batch_options.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using vqz2xml::Encoding;

TEST(ParseEncodingNameTest, TakesEverySpellingInAnyCase) {
    struct Case {
        std::string name;
        bool known;
        std::optional<Encoding> encoding;
    };
    const Case cases[] = {
        {"latin1", true, Encoding::Latin1},     {"Latin-1", true, Encoding::Latin1},
        {"ISO-8859-1", true, Encoding::Latin1}, {"iso_8859_1", true, Encoding::Latin1},
        {"cp1252", true, Encoding::Cp1252},     {"Windows-1252", true, Encoding::Cp1252},
        {"utf-8", true, Encoding::Utf8},        {"UTF8", true, Encoding::Utf8},
        {"utf_8", true, Encoding::Utf8},        {"AUTO", true, std::nullopt},
        {"latin2", false, Encoding::Cp1252},    {"utf-16", false, Encoding::Cp1252},
        {"", false, Encoding::Cp1252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Encoding> encoding = Encoding::Cp1252; // left alone for an unknown name
        EXPECT_EQ(c.known, parseEncodingName(c.name, encoding));
        EXPECT_EQ(c.encoding, encoding);
    }
}

} // namespace
