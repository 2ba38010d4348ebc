// The right-click rules and the item menu: entries, submenus and actions.

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "WindowHarness.h"
#include "app/CItemMenu.h"
#include "engine/CItemStates.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

// The entries of a menu (a submenu as "title>" followed by its entries).
QStringList Entries(const QMenu* pMenu) {
    QStringList arrTexts;
    for (QAction* pAction : pMenu->actions()) {
        if (pAction->isSeparator())
            continue;
        if (pAction->menu() != nullptr) {
            arrTexts << pAction->text() + QStringLiteral(">");
            for (const QString& strSub : Entries(pAction->menu()))
                arrTexts << QStringLiteral("  ") + strSub;
            continue;
        }
        arrTexts << pAction->text() + (pAction->isEnabled() ? QString() : QStringLiteral(" (off)"));
    }
    return arrTexts;
}

// Right-clicks the list at pt and answers the menu's entries (empty when no menu
// opened); with strChoose, that entry is chosen instead of dismissing the menu.
QStringList RightClick(CWindowHarness& h, QPoint pt, Qt::KeyboardModifiers mods = {},
                       const QString& strChoose = QString()) {
    QStringList arrEntries;
    bool bShown = false;
    auto conn = QObject::connect(&h.Dlg(), &CQuarnelDlg::ItemMenuShown, [&](QMenu* pMenu) {
        bShown = true;
        arrEntries = Entries(pMenu);
        QTimer::singleShot(0, pMenu, [pMenu, strChoose] {
            for (QAction* pAction : pMenu->actions())
                if (!strChoose.isEmpty() && pAction->text() == strChoose) {
                    pMenu->setActiveAction(pAction);
                    QTest::keyClick(pMenu, Qt::Key_Return);
                    return;
                }
            pMenu->close();
        });
    });
    QTest::mousePress(h.Viewport(), Qt::RightButton, mods, pt);
    QObject::disconnect(conn);
    if (!bShown)
        return {};
    return arrEntries;
}

std::vector<int> Selected(CWindowHarness& h) {
    return h.Dlg().SelectedRows();
}

void AddFolders(CWindowHarness& h, int nCount) {
    QStringList arrPaths;
    for (int n = 0; n < nCount; ++n)
        arrPaths << QString::fromStdString(h.tmp.MakeDir("Folder" + std::to_string(n)));
    h.Dlg().AddPaths(arrPaths);
}

}  // namespace

TEST(ItemMenuTest, RightClickInTheHeaderZoneIsSwallowed) {
    CWindowHarness h("menu-header");
    AddFolders(h, 2);
    h.Show();
    // The rows begin below the header; a click less than 20 pixels below the list's top
    // (on the first row when the header is short) opens nothing and changes nothing.
    const int nOffset = h.Viewport()->mapTo(h.View(), QPoint(0, 0)).y();
    if (nOffset >= CDropTarget::HEADER_ZONE)
        GTEST_SKIP() << "the header is taller than the zone";
    const QPoint pt(30, CDropTarget::HEADER_ZONE - nOffset - 1);
    EXPECT_TRUE(RightClick(h, pt).isEmpty());
    EXPECT_TRUE(h.Dlg().SelectedRows().empty());
    // Further down the menu opens.
    EXPECT_FALSE(RightClick(h, h.RowPoint(1)).isEmpty());
}

TEST(ItemMenuTest, RightClickOnAnUnselectedRowSelectsOnlyItAndCtrlAddsIt) {
    CWindowHarness h("menu-select");
    AddFolders(h, 3);
    h.Show();
    h.View()->selectionModel()->select(h.List().index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_FALSE(RightClick(h, h.RowPoint(1)).isEmpty());
    EXPECT_EQ(Selected(h), std::vector<int>({1}));
    RightClick(h, h.RowPoint(2), Qt::ControlModifier);
    EXPECT_EQ(Selected(h), std::vector<int>({1, 2}));
    // A selected row keeps the others.
    RightClick(h, h.RowPoint(1));
    EXPECT_EQ(Selected(h), std::vector<int>({1, 2}));
}

TEST(ItemMenuTest, RightClickBelowTheRowsClearsTheSelectionAndOffersWhatNeedsNone) {
    CWindowHarness h("menu-empty");
    AddFolders(h, 2);
    h.Show();
    h.View()->selectAll();
    const QStringList arrEntries = RightClick(h, QPoint(30, h.Viewport()->height() - 5));
    EXPECT_TRUE(Selected(h).empty());
    EXPECT_EQ(arrEntries, QStringList({"Set output folder>", "  Browse...", "  Set to input folder",
                                       "Add folder", "Add files", "Select all\tCtrl+A"}));
}

TEST(ItemMenuTest, TwoRowsOneProcessedOfferResetButNoOutputFolderOrPreset) {
    CWindowHarness h("menu-two");
    AddFolders(h, 2);
    h.Show();
    h.List().SetRowResult(0, ItemStates::FAILED, ItemStates::RESULT_FAILED, ItemStates::IMAGE_FAILED);
    h.View()->selectAll();
    const QStringList arrEntries = RightClick(h, h.RowPoint(0));
    EXPECT_FALSE(arrEntries.contains(QStringLiteral("Set output folder>")));
    EXPECT_FALSE(arrEntries.contains(QStringLiteral("Set preset>")));
    EXPECT_TRUE(arrEntries.contains(QStringLiteral("Reset\tCtrl+R")));
    EXPECT_TRUE(arrEntries.contains(QStringLiteral("Delete\tDel")));
    EXPECT_FALSE(arrEntries.contains(QStringLiteral("Skip\tCtrl+S")));
    // Choosing Reset resets both.
    RightClick(h, h.RowPoint(0), {}, QStringLiteral("Reset\tCtrl+R"));
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, "");
}

TEST(ItemMenuTest, SetPresetGreysAPresetWhoseFolderIsGoneAndAppliesAUsableOne) {
    CWindowHarness h("menu-preset");
    CPresets good;
    good.strName = "Movies";
    good.strOutputPath = h.tmp.MakeDir("Movies");
    CPresets gone;
    gone.strName = "Gone";
    gone.strOutputPath = h.tmp.Sub("no-such-folder");
    CPresets tests;
    tests.strName = "Tests";
    tests.strOutputPath = h.tmp.Sub("no-such-folder");
    tests.bTest = 1;
    h.Dlg().Presets() = {good, gone, tests};
    AddFolders(h, 1);
    h.Show();
    const QStringList arrEntries = RightClick(h, h.RowPoint(0));
    const int nAt = static_cast<int>(arrEntries.indexOf(QStringLiteral("Set preset>")));
    ASSERT_GE(nAt, 0);
    EXPECT_EQ(arrEntries.mid(nAt + 1, 3), QStringList({"  Movies", "  Gone (off)", "  Tests"}));
    CItemMenu menu(h.Dlg());
    QMenu popup;
    menu.Build(popup);
    int nMovies = -1;
    for (std::size_t n = 0; n < menu.Items().size(); ++n)
        if (menu.Items()[n].nKind == 1 && menu.Items()[n].nParam == 0)
            nMovies = static_cast<int>(n);
    ASSERT_GT(nMovies, 0);
    menu.Choose(nMovies);
    EXPECT_EQ(h.List().ItemAtRow(0)->nPreset, 0);
    EXPECT_EQ(h.List().RowImage(0), ItemStates::IMAGE_PRESET_FIRST);
}

TEST(ItemMenuTest, RunSubmenuListsKnownFilesAndPrunesGoneOnesButNotWithTwentyOne) {
    CWindowHarness h("menu-run");
    AddFolders(h, 1);
    h.Show();
    const std::string strOut = h.tmp.MakeDir("Out");
    h.List().SetRowResult(0, ItemStates::COMPLETED, "OK (0h0m1s0ms)", ItemStates::IMAGE_COMPLETED);
    CListItem* pItem = h.List().ItemAtRow(0);
    for (const char* pszName : {"a.mkv", "b.txt", "c.EXE"})
        testfiles::WriteFile(strOut + "/" + pszName, "x");
    pItem->arrNewFiles = {strOut + "/a.mkv", strOut + "/b.txt", strOut + "/c.EXE", strOut + "/gone.avi"};
    QStringList arrEntries = RightClick(h, h.RowPoint(0));
    const int nAt = static_cast<int>(arrEntries.indexOf(QStringLiteral("Run...>")));
    ASSERT_GE(nAt, 0);
    EXPECT_EQ(arrEntries.mid(nAt + 1, 2), QStringList({"  a.mkv", "  c.EXE"}));
    EXPECT_EQ(pItem->arrNewFiles.size(), 3u);  // the gone file left the list, b.txt stays
    pItem->arrNewFiles.assign(21, strOut + "/a.mkv");
    arrEntries = RightClick(h, h.RowPoint(0));
    EXPECT_FALSE(arrEntries.contains(QStringLiteral("Run...>")));
}

TEST(ItemMenuTest, TestedFlagAndOutputFolderComeFromWhatTheRunRecorded) {
    REQUIRE_TOOLS();
    CWindowHarness h("menu-recorded");
    const std::string strRel = h.tmp.MakeDir("Movie.2024");
    CRarWriter set;
    set.AddFile("movie.mkv", testfiles::RandomBytes(4096, 3));
    set.Write(strRel + "/movie.rar");
    const std::string strOut = h.tmp.MakeDir("Out");
    h.Dlg().Settings().bTest = 1;
    h.Dlg().Settings().arrHistory = {strOut};
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    h.Dlg().Output().ChooseHistoryEntry({0}, 0);
    h.Dlg().Go();
    ASSERT_TRUE(h.WaitForRunEnd());
    ASSERT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::COMPLETED);
    testfiles::WriteFile(strRel + "/movie.mkv", "x");
    h.List().ItemAtRow(0)->arrNewFiles = {strRel + "/movie.mkv"};
    // Test is switched off after the run: the item was still only tested.
    h.ClickBox(CQuarnelDlg::BOX_TEST);
    ASSERT_EQ(h.List().MainOptions().bTest, 0);
    const QStringList arrEntries = RightClick(h, h.RowPoint(0));
    EXPECT_TRUE(arrEntries.contains(QStringLiteral("Open input folder")));
    EXPECT_FALSE(arrEntries.contains(QStringLiteral("Open output folder")));
    EXPECT_FALSE(arrEntries.contains(QStringLiteral("Run...>")));
    CItemMenu menu(h.Dlg());
    EXPECT_TRUE(menu.RowTested(0));
    // The same item with the current options would open its output folder.
    EXPECT_EQ(h.Dlg().Output().GetShownOutputFolder(0).rfind(strOut, 0), 0u);
}

TEST(ItemMenuTest, ShortcutTextsStandAfterATab) {
    EXPECT_EQ(MenuLabel("Delete$Del"), "Delete\tDel");
    EXPECT_EQ(MenuLabel("Show cleanup report     DblClk"), "Show cleanup report\tDblClk");
}

TEST(ItemMenuTest, PopupStaysInsideTheWorkArea) {
    const QRect rcWork(0, 0, 1000, 700);
    EXPECT_EQ(MenuPosition(QPoint(100, 100), QSize(200, 300), rcWork), QPoint(100, 100));
    EXPECT_EQ(MenuPosition(QPoint(900, 100), QSize(200, 300), rcWork), QPoint(700, 100));
    EXPECT_EQ(MenuPosition(QPoint(100, 600), QSize(200, 300), rcWork), QPoint(100, 300));
    EXPECT_EQ(MenuPosition(QPoint(150, 650), QSize(200, 800), rcWork), QPoint(150, 0));
}
