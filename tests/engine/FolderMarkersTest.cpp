#include <gtest/gtest.h>

#include "engine/FolderMarkers.h"
#include "engine/PathHelpers.h"

TEST(FolderMarkersTest, FindsMarkersInOrderAndCaseInsensitively) {
    EXPECT_EQ(SampleFolderPos("/r/Rel/Sample/x.mkv", false), 6);
    EXPECT_EQ(SampleFolderPos("/r/Rel/VobSamples/x.vob", false), 6);
    EXPECT_EQ(SampleFolderPos("/r/Rel/samples", false), -1);
    EXPECT_EQ(SampleFolderPos("/r/Rel/samples", true), 6);
    EXPECT_EQ(SubsFolderPos("/r/Rel/Subs/a.rar", false), 6);
    EXPECT_EQ(SubsFolderPos("/r/Rel/VobSub/a.rar", false), 6);
    EXPECT_EQ(SubsFolderPos("/r/Rel/Subtitles/a.srt", false), 6);
    EXPECT_EQ(CoverFolderPos("/r/Rel/Covers/front.jpg", false), 6);
    EXPECT_EQ(CoverFolderPos("/r/Rel/covered/front.jpg", false), -1);
}

TEST(FolderMarkersTest, SubsAndCoversLookOnlyAtTheFolderPart) {
    // A file named like a marker folder is no folder.
    EXPECT_EQ(SubsFolderPos("/r/Rel/subs", false), -1);
    EXPECT_EQ(SubsFolderPos("/r/Rel/subs", true), 6);
    EXPECT_EQ(CoverFolderPos("/r/Rel/cover", false), -1);
}

TEST(FolderMarkersTest, MarkersAboveTheItemDoNotCount) {
    EXPECT_EQ(CoverFolderPos("/srv/covers/AlbumX/a.jpg", false, "/srv/covers/AlbumX"), -1);
    EXPECT_EQ(CoverFolderPos("/srv/covers/AlbumX/Covers/a.jpg", false, "/srv/covers/AlbumX"), 18);
    EXPECT_EQ(SubsFolderPos("/mnt/sub/Rel/a.rar", false, "/mnt/sub/Rel"), -1);
    EXPECT_EQ(SubsFolderPos("/mnt/sub/Rel/Sub/a.rar", false, "/mnt/sub/Rel/"), 12);
    EXPECT_EQ(SampleFolderPos("/x/sample/Rel/Sample/s.mkv", false, "/x/sample/Rel"), 13);
    EXPECT_EQ(SampleFolderPos("/x/sample/Rel/s.mkv", false, "/x/sample/Rel"), -1);
    // Not below the base: the whole path is searched.
    EXPECT_EQ(SubsFolderPos("/other/subs/a.rar", false, "/mnt/x"), 6);
}

TEST(PathHelpersTest, FolderPartEndsAtTheLastSeparator) {
    EXPECT_EQ(FolderPartOf("/t/a.nfo/a.nfo"), "/t/a.nfo/");
    EXPECT_EQ(FolderPartOf("/a.zip"), "/");
    EXPECT_EQ(FolderPartOf("a.zip"), "");
    EXPECT_EQ(FileNameOf("/t/a.nfo/a.nfo"), "a.nfo");
    EXPECT_EQ(ParentFolderOf("/in/Rel"), "/in");
    EXPECT_EQ(ParentFolderOf("/a.zip"), "/");
    EXPECT_EQ(ParentFolderOf("a.zip"), "");
}

TEST(PathHelpersTest, SystemErrorTextIsTheSystemsMessage) {
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemErrorText(ENOENT).find('\n'), std::string::npos);
}
