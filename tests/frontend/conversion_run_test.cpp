// File names derived from the command line: a "." counts only in the last path component.
#include "frontend/conversion_run.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

TEST(FileNamesTest, DefaultExtensionsLookOnlyAtTheLastComponent) {
    struct Case {
        std::string first;
        std::optional<std::string> second;
        std::string input, output;
    };
    const Case cases[] = {
        {"survey", std::nullopt, "survey.vqz", "survey.xml"},
        {"survey.txt", std::nullopt, "survey.txt", "survey.xml"},
        {"a.b.c", std::nullopt, "a.b.c", "a.xml"},
        {"../data/survey", std::nullopt, "../data/survey.vqz", "../data/survey.xml"},
        {"..\\data\\survey", std::nullopt, "..\\data\\survey.vqz", "..\\data\\survey.xml"},
        {"C:\\data.v2\\survey", std::nullopt, "C:\\data.v2\\survey.vqz", "C:\\data.v2\\survey.xml"},
        {"C:survey", std::nullopt, "C:survey.vqz", "C:survey.xml"},
        {"\\\\server\\share.x\\survey.old.vqz", std::nullopt, "\\\\server\\share.x\\survey.old.vqz",
         "\\\\server\\share.x\\survey.xml"},
        {"./survey", std::nullopt, "./survey.vqz", "./survey.xml"},
        {"dir.v2/survey.old.vqz", std::nullopt, "dir.v2/survey.old.vqz", "dir.v2/survey.xml"},
        {"in", "out", "in.vqz", "out.xml"},
        {"in", "out.txt", "in.vqz", "out.txt"},
        {"in", "x.d/out", "in.vqz", "x.d/out.xml"},
        {"survey.", std::nullopt, "survey.", "survey.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(c.input, inputFileName(c.first));
        const auto second = c.second ? std::optional<std::string_view>(*c.second) : std::nullopt;
        EXPECT_EQ(c.output, outputFileName(c.first, second));
    }
}

} // namespace
