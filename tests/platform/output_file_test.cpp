// Outputs replaced only once complete: nothing is left behind by an output that is abandoned.
#include "platform/output_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(OutputFileTest, ReplacesTheOldOutputOnlyOnCommit) {
    const fs::path folder =
        fs::temp_directory_path() /
        ("vqz2xml_output_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(folder);
    const fs::path target = folder / "out.xml";
    std::ofstream(target, std::ios::binary) << "old";
    {
        platform::OutputFile abandoned(target.string());
        ASSERT_TRUE(abandoned.isOpen());
        abandoned.stream() << "half";
        EXPECT_EQ("old", readFile(target));
    }
    EXPECT_EQ("old", readFile(target));
    EXPECT_EQ(1u, entriesIn(folder)) << "the temporary file is gone";
    {
        platform::OutputFile output(target.string());
        output.stream() << "new\r\n\x1a";
        EXPECT_TRUE(output.commit());
    }
    EXPECT_EQ("new\r\n\x1a", readFile(target));
    EXPECT_EQ(1u, entriesIn(folder));
    platform::OutputFile nowhere((folder / "missing" / "out.xml").string());
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_EQ(std::errc::no_such_file_or_directory, nowhere.error());
    fs::remove_all(folder);
}

} // namespace
