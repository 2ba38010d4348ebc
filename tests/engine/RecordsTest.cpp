#include <gtest/gtest.h>

#include "engine/CFileInformation.h"
#include "engine/CListItem.h"
#include "engine/CWorkLists.h"

TEST(ListItemRecordTest, FreshItemHasNoPresetAndExtractsToInput) {
    CListItem item;
    EXPECT_EQ(item.nId, 0);
    EXPECT_EQ(item.nPreset, -1);
    EXPECT_EQ(item.bOutputToInput, 1);
    EXPECT_TRUE(item.strFolderName.empty());
    EXPECT_TRUE(item.strPath.empty());
    EXPECT_TRUE(item.strParentFolder.empty());
    EXPECT_TRUE(item.strStatus.empty());
    EXPECT_TRUE(item.strResult.empty());
    EXPECT_TRUE(item.strTime.empty());
    EXPECT_TRUE(item.strType.empty());
    EXPECT_TRUE(item.strOutputFolder.empty());
    EXPECT_TRUE(item.arrErrors.empty());
    EXPECT_TRUE(item.arrCleanUp.empty());
    EXPECT_TRUE(item.arrNewFiles.empty());
}

TEST(ListItemRecordTest, CopyCarriesEveryFieldAndArraysIndependently) {
    CListItem item;
    item.nId = 7;
    item.strFolderName = "Rel";
    item.strPath = "/in/Rel";
    item.strParentFolder = "/in";
    item.arrErrors = {"e1\r\n"};
    item.arrCleanUp = {CleanUpInfo("/in/Rel/x", "", 1)};
    item.arrNewFiles = {"/out/a.mkv"};
    item.strStatus = "Completed OK";
    item.strResult = "OK (5ms)";
    item.strTime = "t";
    item.strType = "folder";
    item.nPreset = 3;
    item.bOutputToInput = 0;
    item.strOutputFolder = "/out";

    CListItem copy(item);
    item.arrErrors.push_back("e2\r\n");
    item.arrCleanUp[0].strPath = "changed";
    EXPECT_EQ(copy.nId, 7);
    EXPECT_EQ(copy.strFolderName, "Rel");
    EXPECT_EQ(copy.strPath, "/in/Rel");
    EXPECT_EQ(copy.strParentFolder, "/in");
    ASSERT_EQ(copy.arrErrors.size(), 1u);
    EXPECT_EQ(copy.arrCleanUp[0], CleanUpInfo("/in/Rel/x", "", 1));
    EXPECT_EQ(copy.arrNewFiles, std::vector<std::string>{"/out/a.mkv"});
    EXPECT_EQ(copy.strStatus, "Completed OK");
    EXPECT_EQ(copy.strResult, "OK (5ms)");
    EXPECT_EQ(copy.strTime, "t");
    EXPECT_EQ(copy.strType, "folder");
    EXPECT_EQ(copy.nPreset, 3);
    EXPECT_EQ(copy.bOutputToInput, 0);
    EXPECT_EQ(copy.strOutputFolder, "/out");

    CListItem assigned;
    assigned = copy;
    EXPECT_EQ(assigned.arrCleanUp, copy.arrCleanUp);
    EXPECT_EQ(assigned.InputFolder(), "/in/Rel");
    assigned.strType = "zip";
    EXPECT_EQ(assigned.InputFolder(), "/in");
}

TEST(WorkListRecordTest, ClearedRecordsAreEmptyAndListsEmptyTogether) {
    CFileInformation info;
    info.strPath = "/a/b.rar";
    info.bRar = 1;
    info.nSize = 5;
    info.bDone = 1;
    info.Clear();
    EXPECT_EQ(info, CFileInformation());
    EXPECT_TRUE(info.strPath.empty());
    EXPECT_EQ(info.bRar + info.bDone + static_cast<int>(info.nSize), 0);

    RarFiles a{"x.rar", "/f/"};
    RarFiles b{"x.rar", "/f/"};
    RarFiles c{"X.rar", "/f/"};
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a == c);

    CWorkLists lists;
    lists.arrWork.push_back(CFileInformation());
    lists.arrAllFiles.push_back(CFileInformation());
    lists.arrFolders.push_back("/f");
    lists.arrRarFiles.push_back(a);
    lists.arrZipFiles.push_back(ZipFiles{"z.zip", "/f/"});
    lists.Clear();
    EXPECT_TRUE(lists.arrWork.empty() && lists.arrAllFiles.empty() && lists.arrFolders.empty() &&
                lists.arrRarFiles.empty() && lists.arrZipFiles.empty());
}
