// The keyboard commands of the window.

#include <QAction>
#include <QPushButton>

#include "WindowHarness.h"
#include "engine/CItemStates.h"
#include "tests/fixtures/TestFiles.h"

namespace {

void AddFolders(CWindowHarness& h, const std::vector<std::string>& arrNames) {
    QStringList arrPaths;
    for (const std::string& strName : arrNames)
        arrPaths << QString::fromStdString(h.tmp.MakeDir(strName));
    h.Dlg().AddPaths(arrPaths);
}

void Select(CWindowHarness& h, const std::vector<int>& arrRows) {
    h.View()->clearSelection();
    for (int nRow : arrRows)
        h.View()->selectionModel()->select(h.List().index(nRow, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

}  // namespace

TEST(WindowKeysTest, EnterDoesNothingAndEscClosesTheIdleWindowAfterSaving) {
    CWindowHarness h("keys-esc");
    h.Show();
    h.Dlg().Settings().bCovers = 1;  // a setting that differs from its default
    bool bFinished = false;
    QObject::connect(&h.Dlg(), &QDialog::finished, [&] { bFinished = true; });
    QTest::keyClick(&h.Dlg(), Qt::Key_Return);
    QTest::keyClick(h.View(), Qt::Key_Enter);
    EXPECT_FALSE(bFinished);
    EXPECT_FALSE(h.Dlg().IsProcessing());
    EXPECT_EQ(h.Dlg().StatusLine()->text(), QString());  // Go! would have said " List is empty"
    QTest::keyClick(&h.Dlg(), Qt::Key_Escape);
    EXPECT_TRUE(bFinished);
    const std::string strHive = testfiles::ReadFile(h.strRegistry + "/HKEY_CURRENT_USER.reg");
    EXPECT_NE(strHive.find("\"Covers\"=dword:00000001"), std::string::npos) << strHive;
}

TEST(WindowKeysTest, DeleteRemovesTheSelectedRowsAndCtrlASelectsAll) {
    CWindowHarness h("keys-delete");
    AddFolders(h, {"A", "B", "C"});
    h.Show();
    Select(h, {0, 2});
    h.View()->setFocus();
    QTest::keyClick(h.View(), Qt::Key_Delete);
    EXPECT_EQ(h.Names(), std::vector<std::string>({"B"}));
    AddFolders(h, {"D"});
    QTest::keyClick(h.View(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(h.View()->selectionModel()->selectedRows().size(), 2);
}

TEST(WindowKeysTest, CtrlUDTBMoveTheSelectedRows) {
    CWindowHarness h("keys-move");
    AddFolders(h, {"A", "B", "C", "D"});
    h.Show();
    Select(h, {2});
    QTest::keyClick(h.View(), Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(h.Names(), std::vector<std::string>({"A", "C", "B", "D"}));
    QTest::keyClick(h.View(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(h.Names(), std::vector<std::string>({"C", "A", "B", "D"}));
    QTest::keyClick(h.View(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(h.Names(), std::vector<std::string>({"A", "B", "D", "C"}));
    Select(h, {0});
    QTest::keyClick(h.View(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(h.Names(), std::vector<std::string>({"B", "A", "D", "C"}));
    // The moved row stays selected.
    EXPECT_TRUE(h.View()->selectionModel()->isRowSelected(1, QModelIndex()));
}

TEST(WindowKeysTest, CtrlSSkipsAndCtrlRResetsTheSelectedItems) {
    CWindowHarness h("keys-skip");
    AddFolders(h, {"A", "B"});
    h.Show();
    Select(h, {1});
    QTest::keyClick(h.View(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(h.List().ItemAtRow(1)->strStatus, ItemStates::SKIP);
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, "");
    QTest::keyClick(h.View(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(h.List().ItemAtRow(1)->strStatus, "");
}

TEST(WindowKeysTest, CtrlJGivesTheStatusLineANewBackground) {
    CWindowHarness h("keys-j");
    h.Show();
    std::set<uint32_t> setSeen{h.Dlg().StatusBackground()};
    for (int n = 0; n < 3; ++n) {
        QTest::keyClick(&h.Dlg(), Qt::Key_J, Qt::ControlModifier);
        setSeen.insert(h.Dlg().StatusBackground());
    }
    EXPECT_GE(setSeen.size(), 2u);
    const uint32_t n = h.Dlg().StatusBackground();
    EXPECT_EQ(h.Dlg().StatusLine()->BkColor(), QColor((n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF));
}

TEST(WindowKeysTest, F9HidesInTheTrayAndShowRestores) {
    if (!CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "no tray on this desktop";
    CWindowHarness h("keys-f9");
    h.Show();
    QTest::keyClick(&h.Dlg(), Qt::Key_F9);
    EXPECT_FALSE(h.Dlg().isVisible());
    EXPECT_TRUE(h.Dlg().IsHiddenInTray());
    h.Dlg().TrayShowAction()->trigger();
    EXPECT_TRUE(h.Dlg().isVisible());
    EXPECT_FALSE(h.Dlg().IsHiddenInTray());
}

TEST(WindowKeysTest, F9WithoutATrayMinimisesInsteadOfHiding) {
    if (CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    CWindowHarness h("keys-f9-notray");
    h.Show();
    QTest::keyClick(&h.Dlg(), Qt::Key_F9);
    EXPECT_FALSE(h.Dlg().IsHiddenInTray());
    EXPECT_TRUE(h.Dlg().isMinimized() || h.Dlg().windowState() & Qt::WindowMinimized);
}

TEST(WindowKeysTest, CtrlXAnimatesTheWindowIconOnceAndRestoresIt) {
    CWindowHarness h("keys-x");
    h.Show();
    QTest::keyClick(&h.Dlg(), Qt::Key_X, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.Dlg().AnimationCounter() > 5; }, 2000));
    const qint64 nKeyDuring = h.Dlg().windowIcon().cacheKey();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.Dlg().AnimationCounter() == 2; }, 4000));
    QTest::qWait(150);
    EXPECT_EQ(h.Dlg().AnimationCounter(), 2);  // once, not forever
    EXPECT_NE(h.Dlg().windowIcon().cacheKey(), nKeyDuring);
}
