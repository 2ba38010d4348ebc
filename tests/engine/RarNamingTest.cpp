#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/PathHelpers.h"
#include "engine/RarNaming.h"
#include "tests/engine/ScratchDir.h"

TEST(RarNamingTest, ExtensionIsLowerCasedTextAfterLastDot) {
    EXPECT_EQ(GetExtension("Movie.PART01.RAR"), "rar");
    EXPECT_EQ(GetExtension("x.r01-OFFLINE"), "r01-offline");
    EXPECT_EQ(GetExtension("noext"), "");
    EXPECT_EQ(GetExtension("trailing."), "");
    EXPECT_EQ(GetExtension("caf\xc3\xa9.N\xc3\x89O"), "n\xc3\x89o");  // only ASCII is lowered
}

TEST(RarNamingTest, VolumePatternCutsAtTheVolumeNumber) {
    EXPECT_EQ(MakeVolumePattern("Movie.part01.rar"), "Movie.part*");
    EXPECT_EQ(MakeVolumePattern("Movie.PART1.RAR"), "Movie.PART*");
    EXPECT_EQ(MakeVolumePattern("movie.rar"), "movie.*");
    EXPECT_EQ(MakeVolumePattern("MOVIE.RAR"), "MOVIE.*");
    EXPECT_EQ(MakeVolumePattern("movie.r00"), "movie.*");
    EXPECT_EQ(MakeVolumePattern("Some.Party.part1.rar"), "Some.Party.part*");
    EXPECT_EQ(MakeVolumePattern("Some.Party.rar"), "Some.Party.*");
    EXPECT_EQ(MakeVolumePattern("Long.Name.part0001.rar"), "Long.Name.part*");
    EXPECT_EQ(MakeVolumePattern("x.part12345.rar"), "x.part12345.*");
}

TEST(RarNamingTest, PatternTakesOnlyVolumesOfTheSameSet) {
    EXPECT_TRUE(MatchesVolumePattern("Movie.*", "Movie.rar"));
    EXPECT_TRUE(MatchesVolumePattern("Movie.*", "Movie.r00"));
    EXPECT_TRUE(MatchesVolumePattern("Movie.*", "Movie.001"));
    EXPECT_FALSE(MatchesVolumePattern("Movie.*", "Movie.Extras.rar"));
    EXPECT_FALSE(MatchesVolumePattern("Movie.*", "movie.r00"));
    EXPECT_FALSE(MatchesVolumePattern("Movie.*", "Movie."));
    EXPECT_TRUE(MatchesVolumePattern("Some.Party.part*", "Some.Party.part2.rar"));
    EXPECT_TRUE(MatchesVolumePattern("Some.Party.part*", "Some.Party.part0003.RAR"));
    EXPECT_FALSE(MatchesVolumePattern("Some.Party.part*", "Some.Party.partial.rar"));
    EXPECT_FALSE(MatchesVolumePattern("Some.Party.part*", "Some.Party.part2.rar.bak"));
    EXPECT_FALSE(MatchesVolumePattern("Some.part*", "Some.Party.part1.rar"));
}

TEST(RarNamingTest, NewStyleNamesHaveOneToFourDigits) {
    size_t nBase = 0;
    EXPECT_TRUE(IsNewStyleVolumeName("a.part1.rar", &nBase));
    EXPECT_EQ(nBase, 1u);
    EXPECT_TRUE(IsNewStyleVolumeName("a.part0001.rar"));
    EXPECT_TRUE(IsNewStyleVolumeName("A.PART07.RAR"));
    EXPECT_TRUE(IsNewStyleVolumeName(".part1.rar"));
    EXPECT_FALSE(IsNewStyleVolumeName("a.part12345.rar"));
    EXPECT_FALSE(IsNewStyleVolumeName("a.part.rar"));
    EXPECT_FALSE(IsNewStyleVolumeName("a.party1.rar"));
    EXPECT_FALSE(IsNewStyleVolumeName("a.part1.r00"));
    EXPECT_TRUE(IsFirstNewStyleVolume("a.part1.rar"));
    EXPECT_TRUE(IsFirstNewStyleVolume("a.part01.rar"));
    EXPECT_TRUE(IsFirstNewStyleVolume("a.part001.rar"));
    EXPECT_TRUE(IsFirstNewStyleVolume("a.part0001.rar"));
    EXPECT_FALSE(IsFirstNewStyleVolume("a.part11.rar"));
    EXPECT_FALSE(IsFirstNewStyleVolume("a.part010.rar"));
    EXPECT_FALSE(IsFirstNewStyleVolume("a.part2.rar"));
}

TEST(RarNamingTest, IsBeforeInSetOrdersVolumesWithinOneSetOnly) {
    // Old style: the .rar comes first, then the smallest extension.
    EXPECT_TRUE(IsBeforeInSet("x.rar", "x.r00", false));
    EXPECT_FALSE(IsBeforeInSet("x.r00", "x.rar", false));
    EXPECT_TRUE(IsBeforeInSet("x.r00", "x.r01", false));
    EXPECT_FALSE(IsBeforeInSet("x.r01", "x.r00", false));
    EXPECT_TRUE(IsBeforeInSet("x.000", "x.001", false));
    EXPECT_FALSE(IsBeforeInSet("x.R01", "x.r00", false));
    EXPECT_TRUE(IsBeforeInSet("x.r01", "y.r00", false));  // other set
    EXPECT_FALSE(IsBeforeInSet("x.r00", "x.r00", false));
    // New style: the smallest name of the same set.
    EXPECT_TRUE(IsBeforeInSet("a.part2.rar", "a.part3.rar", true));
    EXPECT_FALSE(IsBeforeInSet("a.part3.rar", "a.part2.rar", true));
    EXPECT_FALSE(IsBeforeInSet("a.part2.rar", "a.part2.rar", true));
    EXPECT_TRUE(IsBeforeInSet("b.part3.rar", "a.part2.rar", true));
    // A "part" inside the set name does not join different sets.
    EXPECT_TRUE(IsBeforeInSet("Some.Party.part2.rar", "Some.Partx.part1.rar", true));
    EXPECT_FALSE(IsBeforeInSet("Some.Party.part3.rar", "some.party.part2.rar", true));
}

TEST(RarNamingTest, SignatureDecidesExceptForRejectedOrLongExtensions) {
    const unsigned char rar[4] = {'R', 'a', 'r', '!'};
    const unsigned char other[4] = {'P', 'K', 3, 4};
    EXPECT_TRUE(IsRarCandidate("rar", rar, 4, true));
    EXPECT_TRUE(IsRarCandidate("r07", rar, 4, true));
    EXPECT_TRUE(IsRarCandidate("bin", rar, 4, true));
    EXPECT_FALSE(IsRarCandidate("mkv", rar, 4, true));
    EXPECT_FALSE(IsRarCandidate("zip", rar, 4, true));
    EXPECT_FALSE(IsRarCandidate("r01-offline", rar, 4, true));
    EXPECT_FALSE(IsRarCandidate("rar", other, 4, true));
    EXPECT_FALSE(IsRarCandidate("rar", rar, 3, true));
    EXPECT_TRUE(IsRarCandidate("rar", other, 0, false));
    EXPECT_FALSE(IsRarCandidate("r00", other, 0, false));
}

TEST(RarNamingTest, IsRarArchiveReadsRegularFilesOnly) {
    CScratchDir dir;
    RarFiles found;
    EXPECT_TRUE(IsRarArchive(dir.Rar("a b/Movie 'x'.r05"), &found));
    EXPECT_EQ(found.strName, "Movie 'x'.r05");
    EXPECT_EQ(found.strFolder, dir.Path("a b/"));
    EXPECT_FALSE(IsRarArchive(dir.Rar("movie.mkv")));
    EXPECT_FALSE(IsRarArchive(dir.File("plain.rar", "PK\x03\x04")));
    EXPECT_FALSE(IsRarArchive(dir.File("tiny.rar", "Ra")));
    ASSERT_EQ(mkfifo(dir.Path("pipe.rar").c_str(), 0600), 0);
    EXPECT_FALSE(IsRarArchive(dir.Path("pipe.rar"))) << "and it did not block";
    EXPECT_FALSE(IsRarArchive(dir.Path("missing.rar")));
}
