// The presets manager and the preset editor: real dialogs, real clicks and keys.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "GuiTest.h"
#include "dialogs/CPresetEditDlg.h"
#include "dialogs/CPresetsDlg.h"
#include "engine/CJobList.h"
#include "settings/SettingsSchema.h"
#include "tests/support/CTempRegistryDir.h"

namespace {

CPresets Named(const std::string& strName, const std::string& strOutput = "/out") {
    CPresets preset;
    preset.strName = strName;
    preset.strOutputPath = strOutput;
    return preset;
}

class PresetsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApp();
        list.SetPresets(&arrPresets);
        list.SetMessageBox(&box);
    }

    // The editor of the manager, opened on a preset (or -1 for a new one), shown, then
    // the name typed into it and "&Save" clicked. The editor stays open when refused.
    CPresetEditDlg* EditAndSave(CPresetsDlg& dlg, int nIndex, const QString& strTyped) {
        CPresetEditDlg* pEditor = dlg.Editor();
        pEditor->Prepare(nIndex, true);
        pEditor->show();
        pEditor->NameEdit()->selectAll();
        QTest::keyClick(pEditor->NameEdit(), Qt::Key_Delete);
        TypeText(pEditor->NameEdit(), strTyped);
        QTest::mouseClick(pEditor->SaveButton(), Qt::LeftButton);
        return pEditor;
    }

    int AddItem(const std::string& strPath, int nPreset) {
        CListItem item;
        item.strPath = strPath;
        item.strParentFolder = "/";
        item.strType = "folder";
        item.nPreset = nPreset;
        return list.AddItem(item);
    }

    void SelectRow(CPresetsDlg& dlg, int nRow) {
        QTreeWidgetItem* pRow = dlg.List()->topLevelItem(nRow);
        ASSERT_NE(pRow, nullptr);
        dlg.List()->setCurrentItem(pRow);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> arrNames;
        for (const CPresets& preset : arrPresets)
            arrNames.push_back(preset.strName);
        return arrNames;
    }

    CTempRegistryDir registry;
    CAnsweringMessageBox box;
    std::vector<CPresets> arrPresets;
    CJobList list;
};

TEST_F(PresetsDialogTest, EditorRefusesForbiddenCharactersDuplicatesAndEmptyNames) {
    arrPresets = {Named("Movies"), Named("Series")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);

    for (const char* pszName : {"a/b", "a\\b", "a:b", "a*b", "a?b", "a<b", "a>b", "a|b", "a\"b"}) {
        CPresetEditDlg* pEditor = EditAndSave(dlg, -1, QString::fromUtf8(pszName));
        EXPECT_EQ(box.Last(), "Name cannot contain any of the following characters:\r\n\\ / : * ? \" < > |")
            << pszName;
        EXPECT_EQ(box.arrShown.back().icon, CMessageBox::EIcon::Error);
        EXPECT_TRUE(pEditor->isVisible()) << pszName;
        EXPECT_EQ(pEditor->NameEdit()->selectedText(), QString::fromUtf8(pszName));
    }
    CPresetEditDlg* pEditor = EditAndSave(dlg, 0, QStringLiteral("Series"));
    EXPECT_EQ(box.Last(), "Preset allready exists.\r\nPlease choose another name.");
    EXPECT_TRUE(pEditor->isVisible());
    pEditor = EditAndSave(dlg, 0, QString());
    EXPECT_EQ(box.Last(), "You must set a name");
    EXPECT_TRUE(pEditor->isVisible());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Movies", "Series"}));
    EXPECT_EQ(box.arrShown.size(), 11u);
}

TEST_F(PresetsDialogTest, RenamingToOwnNameOrOtherCaseIsAllowed) {
    arrPresets = {Named("Movies"), Named("Series")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    EXPECT_FALSE(EditAndSave(dlg, 0, QStringLiteral("Movies"))->isVisible());
    EXPECT_FALSE(EditAndSave(dlg, 0, QStringLiteral("SERIES"))->isVisible());
    EXPECT_TRUE(box.arrShown.empty());
    EXPECT_EQ(Names(), (std::vector<std::string>{"SERIES", "Series"}));
    EXPECT_EQ(dlg.List()->topLevelItem(0)->text(0), QStringLiteral("SERIES"));
}

TEST_F(PresetsDialogTest, NewPresetWithoutFolderExtractsToInputFolder) {
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    CPresetEditDlg* pEditor = EditAndSave(dlg, -1, QStringLiteral("Plain"));
    EXPECT_FALSE(pEditor->isVisible());
    EXPECT_EQ(pEditor->windowTitle(), QStringLiteral("New preset"));
    ASSERT_EQ(arrPresets.size(), 1u);
    EXPECT_EQ(arrPresets[0].bOutputToInput, 1);
    EXPECT_EQ(dlg.List()->topLevelItemCount(), 1);
    EXPECT_TRUE(dlg.Button(CPresetsDlg::EDIT)->isEnabled());
}

TEST_F(PresetsDialogTest, NameLimitCountsCharactersNotBytesOrUtf16Units) {
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    // 39 letters with accents and one character outside the basic plane: 40 characters.
    const QString strForty = QString(39, QChar(0x00E9)) + QString::fromUcs4(U"\U0001F600", 1);
    CPresetEditDlg* pEditor = EditAndSave(dlg, -1, strForty + QStringLiteral("x"));
    EXPECT_FALSE(pEditor->isVisible());
    ASSERT_EQ(arrPresets.size(), 1u);
    EXPECT_EQ(QString::fromStdString(arrPresets[0].strName), strForty);  // the 41st could not be typed
    // The manager keeps it: both count the same way.
    dlg.Prepare(true);
    EXPECT_EQ(arrPresets.size(), 1u);
    EXPECT_EQ(dlg.List()->topLevelItemCount(), 1);
}

TEST_F(PresetsDialogTest, PastedNameOverTheLimitIsRefusedOnSave) {
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    CPresetEditDlg* pEditor = dlg.Editor();
    pEditor->Prepare(-1, true);
    pEditor->show();
    pEditor->NameEdit()->setText(QString(41, QLatin1Char('n')));  // as a paste: past the typing check
    QTest::mouseClick(pEditor->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(box.Last(), "The name can be at most 40 characters long.");
    EXPECT_TRUE(pEditor->isVisible());
    EXPECT_EQ(pEditor->NameEdit()->selectedText().size(), 41);
    EXPECT_TRUE(arrPresets.empty());
}

TEST_F(PresetsDialogTest, StoredNameOverTheLimitLeavesTheArrayWhenListed) {
    arrPresets = {Named("Good"), Named(std::string(41, 'x')), Named("")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    EXPECT_EQ(Names(), std::vector<std::string>{"Good"});
    EXPECT_EQ(dlg.List()->topLevelItemCount(), 1);
}

TEST_F(PresetsDialogTest, TwentyPresetsRefuseANewOneWithoutAnEditor) {
    for (int i = 0; i < 20; ++i)
        arrPresets.push_back(Named("P" + std::to_string(i)));
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    bool bEditorOpened = false;
    QObject::connect(dlg.Editor(), &QDialog::finished, [&] { bEditorOpened = true; });
    QTest::mouseClick(dlg.Button(CPresetsDlg::NEW), Qt::LeftButton);
    EXPECT_EQ(box.Last(), "No more than 20 presets allowed.\r\nPlease edit or delete an existing preset.");
    EXPECT_EQ(box.arrShown.back().icon, CMessageBox::EIcon::Information);
    EXPECT_FALSE(bEditorOpened);
    EXPECT_EQ(arrPresets.size(), 20u);
}

TEST_F(PresetsDialogTest, EditAndDeleteWithoutSelectionSayNoPresetSelected) {
    arrPresets = {Named("Movies")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    QTest::mouseClick(dlg.Button(CPresetsDlg::EDIT), Qt::LeftButton);
    QTest::mouseClick(dlg.Button(CPresetsDlg::DELETE), Qt::LeftButton);
    ASSERT_EQ(box.arrShown.size(), 2u);
    EXPECT_EQ(box.arrShown[0].strText, "No preset selected");
    EXPECT_EQ(box.arrShown[1].strText, "No preset selected");
    EXPECT_EQ(arrPresets.size(), 1u);
}

TEST_F(PresetsDialogTest, MovingPresetsKeepsEveryItemOnItsPreset) {
    arrPresets = {Named("A", "/a"), Named("B", "/b"), Named("C", "/c")};
    const int nRowA = AddItem("/x/itemA", 0);
    const int nRowC = AddItem("/x/itemC", 2);
    const int nRowNone = AddItem("/x/plain", -1);
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);

    SelectRow(dlg, 2);
    QTest::mouseClick(dlg.Button(CPresetsDlg::UP), Qt::LeftButton);  // A C B
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "B"}));
    SelectRow(dlg, 0);
    QTest::mouseClick(dlg.Button(CPresetsDlg::DOWN), Qt::LeftButton);  // C A B
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(dlg.List()->currentItem()->text(0), QStringLiteral("A"));

    EXPECT_EQ(arrPresets[list.GetPreset(nRowA)].strName, "A");
    EXPECT_EQ(arrPresets[list.GetPreset(nRowC)].strName, "C");
    EXPECT_EQ(list.GetPreset(nRowNone), -1);
    EXPECT_EQ(list.RowImage(nRowA), 75 + 1);
    EXPECT_EQ(list.RowImage(nRowC), 75 + 0);
}

TEST_F(PresetsDialogTest, UpOnFirstAndDownOnLastDoNothing) {
    arrPresets = {Named("A"), Named("B")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    SelectRow(dlg, 0);
    QTest::mouseClick(dlg.Button(CPresetsDlg::UP), Qt::LeftButton);
    SelectRow(dlg, 1);
    QTest::mouseClick(dlg.Button(CPresetsDlg::DOWN), Qt::LeftButton);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(PresetsDialogTest, DeletingAPresetResetsItsItemsAndKeepsTheOthersOnTheirs) {
    arrPresets = {Named("A"), Named("B"), Named("C")};
    const int nRowA = AddItem("/x/itemA", 0);
    const int nRowB = AddItem("/x/itemB", 1);
    const int nRowC = AddItem("/x/itemC", 2);
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    SelectRow(dlg, 1);
    QTest::mouseClick(dlg.Button(CPresetsDlg::DELETE), Qt::LeftButton);
    EXPECT_TRUE(box.arrShown.empty());  // no confirmation
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(list.GetPreset(nRowA), 0);
    EXPECT_EQ(list.GetPreset(nRowB), -1);
    EXPECT_EQ(list.RowImage(nRowB), 0);  // a folder without preset
    EXPECT_EQ(arrPresets[list.GetPreset(nRowC)].strName, "C");
    EXPECT_EQ(list.RowImage(nRowC), 75 + 1);
    EXPECT_EQ(dlg.List()->topLevelItemCount(), 2);
}

TEST_F(PresetsDialogTest, DoubleClickOnARowOpensTheEditorOnThatPreset) {
    arrPresets = {Named("A"), Named("B")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    dlg.show();
    QString strTitle;
    QString strName;
    auto pDone = WhenModalOpens<CPresetEditDlg>([&](CPresetEditDlg* pEditor) {
        strTitle = pEditor->windowTitle();
        strName = pEditor->NameEdit()->text();
        pEditor->reject();
    });
    QTreeWidget* pList = dlg.List();
    const QRect rect = pList->visualItemRect(pList->topLevelItem(1));
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_TRUE(*pDone);
    EXPECT_EQ(strTitle, QStringLiteral("Edit preset"));
    EXPECT_EQ(strName, QStringLiteral("B"));
}

TEST_F(PresetsDialogTest, TestBoxGreysTheExtractionOptionsAndSubsFolderFollowsSubs) {
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    CPresetEditDlg* pEditor = dlg.Editor();
    pEditor->Prepare(-1, true);
    pEditor->show();
    EXPECT_FALSE(pEditor->Box(CPresetEditDlg::KEEP_SUBS_FOLDER)->isEnabled());
    ClickBox(pEditor->Box(CPresetEditDlg::KEEP_SUBS));
    EXPECT_TRUE(pEditor->Box(CPresetEditDlg::KEEP_SUBS_FOLDER)->isEnabled());
    ClickBox(pEditor->Box(CPresetEditDlg::TEST));
    for (auto eBox : {CPresetEditDlg::KEEP_NFO, CPresetEditDlg::KEEP_SUBS, CPresetEditDlg::KEEP_SUBS_FOLDER,
                      CPresetEditDlg::CLEAN_UP, CPresetEditDlg::KEEP_FOLDER, CPresetEditDlg::KEEP_SAMPLE,
                      CPresetEditDlg::KEEP_COVERS})
        EXPECT_FALSE(pEditor->Box(eBox)->isEnabled()) << eBox;
    EXPECT_FALSE(pEditor->OutputEdit()->isEnabled());
    ClickBox(pEditor->Box(CPresetEditDlg::TEST));
    EXPECT_TRUE(pEditor->Box(CPresetEditDlg::KEEP_SUBS_FOLDER)->isEnabled());
    EXPECT_TRUE(pEditor->OutputEdit()->isEnabled());
}

TEST_F(PresetsDialogTest, RightClickMenuSetsInputFolderAndBrowseRemembersTheFolder) {
    arrPresets = {Named("A", "/somewhere")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    CPresetEditDlg* pEditor = dlg.Editor();
    QStringList arrStarts;
    pEditor->fnBrowseFolder = [&](QWidget*, const QString& strStart) {
        arrStarts << strStart;
        return QStringLiteral("/media/films");
    };
    pEditor->Prepare(0, true);
    pEditor->show();
    EXPECT_TRUE(pEditor->Box(CPresetEditDlg::KEEP_FOLDER)->isEnabled());

    QStringList arrMenu;
    QTimer::singleShot(50, [&] {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(pMenu, nullptr);
        for (QAction* pAction : pMenu->actions())
            arrMenu << pAction->text();
        pMenu->actions().last()->trigger();
        pMenu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            pEditor->OutputEdit()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(pEditor->OutputEdit(), &event);
    EXPECT_EQ(arrMenu, (QStringList{"Set output folder:", "", "Browse...", "Set to input folder"}));
    EXPECT_EQ(pEditor->OutputEdit()->text(), QStringLiteral(" -- Extract to input folder --"));
    EXPECT_EQ(pEditor->OutputEdit()->toolTip(), QStringLiteral("Extract to input folder"));
    EXPECT_FALSE(pEditor->Box(CPresetEditDlg::KEEP_FOLDER)->isEnabled());

    pEditor->BrowseOutputFolder();
    pEditor->BrowseOutputFolder();
    ASSERT_EQ(arrStarts.size(), 2);
    EXPECT_EQ(arrStarts[1], QStringLiteral("/media/films"));
    EXPECT_EQ(CPresetEditDlg::LastBrowsedFolder(), QStringLiteral("/media/films"));
    EXPECT_EQ(pEditor->OutputEdit()->text(), QStringLiteral("/media/films"));
    EXPECT_TRUE(pEditor->Box(CPresetEditDlg::KEEP_FOLDER)->isEnabled());
    QTest::mouseClick(pEditor->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(arrPresets[0].strOutputPath, "/media/films");
    EXPECT_EQ(arrPresets[0].bOutputToInput, 0);
}

TEST_F(PresetsDialogTest, ClosingTheManagerSavesThePresetsToTheStore) {
    arrPresets = {Named("A"), Named("B")};
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    SelectRow(dlg, 1);
    QTest::mouseClick(dlg.Button(CPresetsDlg::UP), Qt::LeftButton);
    QTest::mouseClick(dlg.Button(CPresetsDlg::CLOSE), Qt::LeftButton);
    CSettings settings;
    std::vector<CPresets> arrLoaded;
    LoadSettings(settings, arrLoaded);
    ASSERT_EQ(arrLoaded.size(), 2u);
    EXPECT_EQ(arrLoaded[0].strName, "B");
    EXPECT_EQ(arrLoaded[1].strName, "A");
}

TEST_F(PresetsDialogTest, TooltipsOnlyWhenTheSettingIsOn) {
    CPresetsDlg dlg(arrPresets, &list, nullptr, box);
    dlg.Prepare(true);
    EXPECT_EQ(dlg.Button(CPresetsDlg::NEW)->toolTip(), QStringLiteral("Create a new preset"));
    EXPECT_EQ(dlg.Button(CPresetsDlg::UP)->toolTip(), QStringLiteral("Move one step up in list"));
    dlg.Prepare(false);
    EXPECT_TRUE(dlg.Button(CPresetsDlg::NEW)->toolTip().isEmpty());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Create and manage presets"));
}

}  // namespace
