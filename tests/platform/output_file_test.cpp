// Outputs replaced only once complete: nothing is left behind by an output that is abandoned.
#include "platform/output_file.h"
#include "platform/paths.h"
#include "tests/platform/scratch_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

// Temporary files are made both ways the system may make them, unnamed and named, in turn.
class OutputFileTest : public testing::TestWithParam<bool> {
  protected:
    void SetUp() override { platform::OutputFile::allowUnnamedTemporaries(GetParam()); }
    void TearDown() override { platform::OutputFile::allowUnnamedTemporaries(true); }

    const ScratchFolder scratch;
    const fs::path folder = scratch.path;
};

TEST_P(OutputFileTest, ReplacesTheOldOutputOnlyOnCommit) {
    const fs::path target = folder / "out.xml";
    std::ofstream(target, std::ios::binary) << "old";
    {
        platform::OutputFile abandoned(target.string());
        ASSERT_TRUE(abandoned.isOpen());
        abandoned.stream() << "half";
        EXPECT_EQ("old", readFile(target));
    }
    EXPECT_EQ((std::map<std::string, std::string>{{"out.xml", "old"}}), filesIn(folder))
        << "the temporary file is gone";
    for (const platform::Sync sync : {platform::Sync::None, platform::Sync::ToDisk}) {
        platform::OutputFile output(target.string());
        output.stream() << "new\r\n\x1a";
        EXPECT_TRUE(output.commit(sync));
        EXPECT_EQ((std::map<std::string, std::string>{{"out.xml", "new\r\n\x1a"}}),
                  filesIn(folder));
    }
    platform::OutputFile nowhere((folder / "missing" / "out.xml").string());
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_EQ(std::errc::no_such_file_or_directory, nowhere.error());
}

// The temporary name is the output's own cut short where it would pass the file system's limit,
// so that every output name that fits can be written, new or replacing an old one.
TEST_P(OutputFileTest, NamesUpToTheLimitAreWrittenAndReplaced) {
    for (const std::size_t length : {240u, 248u, 251u, 252u, 255u}) {
        for (const bool exists : {false, true}) {
            SCOPED_TRACE(std::to_string(length) + (exists ? " replacing" : " new"));
            const std::string name = std::string(length - 6, 'x') + "\xc3\xa9.xml";
            const fs::path path = folder / platform::toPath(name);
            if (exists) std::ofstream(path) << "old";
            platform::OutputFile output(platform::toUtf8(path));
            ASSERT_TRUE(output.isOpen()) << output.error().message();
            output.stream() << "new";
            EXPECT_TRUE(output.commit());
            EXPECT_EQ((std::map<std::string, std::string>{{name, "new"}}), filesIn(folder));
            fs::remove(path);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Temporaries, OutputFileTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "Unnamed" : "Named";
                         });

} // namespace
