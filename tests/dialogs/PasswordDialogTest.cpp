// The password prompt: its own refusals and keys, and a typed password reaching the real
// console RAR program through the real driver.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "GuiTest.h"
#include "dialogs/CPasswordDialog.h"
#include "engine/CDriver.h"
#include "engine/CJobList.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

class PasswordDialogTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    QApplication* pApp = EnsureGuiApp();  // before the widgets of derived fixtures
    CAnsweringMessageBox box;
};

TEST_F(PasswordDialogTest, EmptyPasswordIsRefusedAndTheDialogStaysOpen) {
    CPasswordDialog dlg(box);
    dlg.SetArchive("/home/me/Rel/enc.rar");
    dlg.show();
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(box.Last(), "Type a password");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    QTest::keyClicks(dlg.PasswordEdit(), QStringLiteral("   "));
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Password(), "   ");  // blanks only are taken as typed
    EXPECT_EQ(box.arrShown.size(), 1u);
}

TEST_F(PasswordDialogTest, ShowsTheFileNameOnlyAndHidesTheTypedCharacters) {
    CPasswordDialog dlg(box);
    dlg.SetArchive("/home/me/Some Release/cd1/enc.part1.rar");
    EXPECT_EQ(dlg.FileNameLabel()->text(), QStringLiteral("enc.part1.rar"));
    EXPECT_EQ(dlg.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dlg.windowTitle().isEmpty());
}

TEST_F(PasswordDialogTest, EscapeInThePasswordFieldDeclines) {
    QWidget owner;
    CDialogPasswordPrompt prompt(&owner, box);
    QSignalSpy opened(&prompt, &CDialogPasswordPrompt::PromptOpened);
    QSignalSpy closed(&prompt, &CDialogPasswordPrompt::PromptClosed);
    auto pDone = WhenModalOpens<CPasswordDialog>([&](CPasswordDialog* pDlg) {
        EXPECT_EQ(opened.count(), 1);  // the animations froze before the dialog showed
        EXPECT_EQ(closed.count(), 0);
        QTest::keyClicks(pDlg->PasswordEdit(), QStringLiteral("half"));
        QTest::keyClick(pDlg->PasswordEdit(), Qt::Key_Escape);
    });
    std::string strPassword = "before";
    EXPECT_FALSE(prompt.AskPassword("/x/enc.rar", strPassword));
    EXPECT_TRUE(*pDone);
    EXPECT_EQ(strPassword, "before");
    EXPECT_EQ(closed.count(), 1);
}

// The real driver and the real console RAR program on a writer-made encrypted archive;
// the person types into the real dialog.
class PasswordDriverTest : public PasswordDialogTest {
protected:
    void SetUp() override {
        PasswordDialogTest::SetUp();
        struct stat st {};
        if (stat(HARVEX_BIN_DIR "/unrar", &st) != 0)
            GTEST_SKIP() << "unrar is not built in " HARVEX_BIN_DIR;
        strRel = tmp.MakeDir("Rel");
        CRarEncryptionHook hook({.strPassword = "secret", .bEncryptHeaders = false});
        CRarOptions options;
        options.pHook = &hook;
        CRarWriter writer(options);
        writer.AddFile("movie.txt", "the film itself");
        ASSERT_TRUE(writer.Write(strRel + "/enc.rar").bOk);
        list.SetPresets(&arrPresets);
        CMainOptions mainOptions;
        mainOptions.bNfo = 0;
        mainOptions.bSubs = 0;
        mainOptions.bMainFolder = 0;
        list.SetMainOptions(mainOptions);
        CListItem item;
        item.strPath = strRel;
        item.strParentFolder = tmp.Path();
        item.strFolderName = "Rel";
        item.strType = "folder";
        item.bOutputToInput = 1;
        list.AddItem(item);
        driver.strUnrarExe = HARVEX_BIN_DIR "/unrar";
        driver.pPasswordPrompt = &prompt;
    }

    // Types each answer into the dialog when it opens (one dialog per answer).
    void AnswerPrompts(const std::vector<QString>& arrAnswers) {
        auto pAnswers = std::make_shared<std::vector<QString>>(arrAnswers);
        auto pNext = std::make_shared<std::function<void()>>();
        *pNext = [this, pAnswers, pNext] {
            if (pAnswers->empty())
                return;
            arrWatches.push_back(WhenModalOpens<CPasswordDialog>(
                [this, pAnswers, pNext](CPasswordDialog* pDlg) {
                    arrShownNames << pDlg->FileNameLabel()->text();
                    QTest::keyClicks(pDlg->PasswordEdit(), pAnswers->front());
                    pAnswers->erase(pAnswers->begin());
                    QTest::mouseClick(pDlg->OkButton(), Qt::LeftButton);
                    (*pNext)();
                },
                30000));
        };
        (*pNext)();
    }

    bool Run() {
        QEventLoop loop;
        bool bFinished = false;
        QObject::connect(&driver, &CDriver::RunFinished, &loop, [&] {
            bFinished = true;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (driver.Go() != CDriver::EGoResult::Started)
            return false;
        loop.exec();
        return bFinished;
    }

    std::string Errors() const {
        std::string strAll;
        for (const std::string& strLine : list.ItemAtRow(0)->arrErrors)
            strAll += strLine;
        return strAll;
    }

    CTempDir tmp{"dlg-password"};
    std::string strRel;
    std::vector<CPresets> arrPresets;
    CJobList list;
    QWidget owner;
    CDialogPasswordPrompt prompt{&owner, box};
    CDriver driver{list};
    QStringList arrShownNames;
    std::vector<CWindowWatch> arrWatches;  // one per expected prompt, ended with the test
};

TEST_F(PasswordDriverTest, RightPasswordTypedInTheDialogExtractsTheArchive) {
    AnswerPrompts({QStringLiteral("secret")});
    ASSERT_TRUE(Run());
    EXPECT_EQ(list.ItemAtRow(0)->strStatus, "Completed OK") << Errors();
    EXPECT_EQ(arrShownNames, QStringList{QStringLiteral("enc.rar")});
    EXPECT_EQ(testfiles::ReadFile(strRel + "/movie.txt"), "the film itself");
}

TEST_F(PasswordDriverTest, WrongPasswordTypedInTheDialogFailsWithWrongPassword) {
    AnswerPrompts({QStringLiteral("guess"), QStringLiteral("never typed")});
    ASSERT_TRUE(Run());
    EXPECT_EQ(arrShownNames.size(), 1);  // asked once only
    EXPECT_EQ(list.RowText(0, CJobList::COLUMN_RESULT), "Failed");
    EXPECT_NE(Errors().find("enc.rar:  Wrong password"), std::string::npos) << Errors();
    EXPECT_FALSE(testfiles::Exists(strRel + "/movie.txt"));
}

}  // namespace
