#include <gtest/gtest.h>

#include "batch/CBatchOptions.h"

namespace {

CBatchOptions Parse(const std::vector<std::string>& arrArgs, bool bExpectOk = true) {
    CBatchOptions options;
    std::string strError;
    EXPECT_EQ(ParseBatchOptions(arrArgs, options, strError), bExpectOk) << strError;
    return options;
}

}  // namespace

TEST(BatchOptionsTest, EverySwitchHasAnOnAndAnOffFormAndUnsetStaysUnset) {
    const CBatchOptions options =
        Parse({"--test", "--no-keep-folder", "--keep-sample", "--no-keep-covers", "--keep-nfo",
               "--no-keep-subs", "--keep-subs-folder", "--no-clean-up", "x"});
    EXPECT_EQ(options.bTest, std::optional<bool>(true));
    EXPECT_EQ(options.bKeepFolder, std::optional<bool>(false));
    EXPECT_EQ(options.bKeepSample, std::optional<bool>(true));
    EXPECT_EQ(options.bKeepCovers, std::optional<bool>(false));
    EXPECT_EQ(options.bKeepNfo, std::optional<bool>(true));
    EXPECT_EQ(options.bKeepSubs, std::optional<bool>(false));
    EXPECT_EQ(options.bKeepSubsFolder, std::optional<bool>(true));
    EXPECT_EQ(options.bCleanUp, std::optional<bool>(false));
    const CBatchOptions none = Parse({"x"});
    EXPECT_FALSE(none.bTest.has_value());
    EXPECT_FALSE(none.bCleanUp.has_value());
}

TEST(BatchOptionsTest, ValuesComeSeparateOrAfterAnEqualsSign) {
    const CBatchOptions options =
        Parse({"--output", "/out dir", "--password=p w", "--preset", "3", "--json", "a", "b"});
    EXPECT_EQ(options.strOutput, std::optional<std::string>("/out dir"));
    EXPECT_EQ(options.strPassword, std::optional<std::string>("p w"));
    EXPECT_EQ(options.nPreset, 3);
    EXPECT_TRUE(options.bJson);
    EXPECT_EQ(options.arrPaths, (std::vector<std::string>{"a", "b"}));
}

TEST(BatchOptionsTest, PathsAfterDoubleDashAreNeverOptions) {
    const CBatchOptions options = Parse({"--", "--test", "/abs"});
    EXPECT_FALSE(options.bTest.has_value());
    EXPECT_EQ(options.arrPaths, (std::vector<std::string>{"--test", "/abs"}));
}

TEST(BatchOptionsTest, BadUsageIsRefused) {
    Parse({"--bogus", "x"}, false);
    Parse({"--output"}, false);
    Parse({"--preset", "0", "x"}, false);
    Parse({"--preset", "21", "x"}, false);
    Parse({"--preset", "2x", "x"}, false);
    Parse({"--output", "/o", "--output-to-input", "x"}, false);
    Parse({"--test=1", "x"}, false);
    Parse({}, false);
    EXPECT_TRUE(Parse({"--help"}).bHelp);
}
