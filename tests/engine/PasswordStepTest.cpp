#include <gtest/gtest.h>

#include "engine/PasswordStep.h"
#include "tests/engine/ExtractTestSupport.h"

namespace {

// Stands in for the person at the password dialog.
class CAnsweringPrompt : public CPasswordPrompt {
public:
    bool AskPassword(const std::string& strArchiveName, std::string& strPassword) override {
        arrAsked.push_back(strArchiveName);
        strPassword = strAnswer;
        return bOk;
    }
    bool bOk = true;
    std::string strAnswer;
    std::vector<std::string> arrAsked;
};

struct CStepFixture {
    CStepFixture() {
        state.pPasswordAsked = &nAsked;
        state.pPassword = &strPassword;
        state.pArchivesDone = &nArchivesDone;
        state.pErrors = &arrErrors;
        state.pPrompt = &prompt;
        state.strArchive = "/in/Sub/a.rar";
        state.strInputPath = "/in";
    }
    CAnsweringPrompt prompt;
    int nAsked = 0;
    std::string strPassword = "old";
    std::atomic<int> nArchivesDone{3};
    std::vector<std::string> arrErrors;
    CPasswordStepState state;
};

}  // namespace

TEST(PasswordStepTest, TypedPasswordRunsTheSameEntryAgain) {
    EnsureTestApp();
    CStepFixture f;
    f.prompt.strAnswer = "s3cret";
    CExtractRecorder recorder;
    EXPECT_EQ(OnPasswordNeeded(f.state, 4, &recorder), 1);
    QCoreApplication::sendPostedEvents(&recorder);
    ASSERT_EQ(recorder.arrSeen.size(), 1u);
    EXPECT_EQ(recorder.arrSeen[0], std::make_pair(CRegisteredMessages::Get().UWM_PROCESS_FILE, qintptr(4)));
    EXPECT_EQ(f.prompt.arrAsked, std::vector<std::string>{"a.rar"});
    EXPECT_EQ(f.strPassword, "s3cret");
    EXPECT_EQ(f.nAsked, 1);
    EXPECT_EQ(f.nArchivesDone, 2);
    EXPECT_TRUE(f.arrErrors.empty());
}

TEST(PasswordStepTest, DeclinedPromptSkipsTheArchive) {
    EnsureTestApp();
    CStepFixture f;
    f.prompt.bOk = false;
    CExtractRecorder recorder;
    OnPasswordNeeded(f.state, 4, &recorder);
    QCoreApplication::sendPostedEvents(&recorder);
    ASSERT_EQ(recorder.arrSeen.size(), 1u);
    EXPECT_EQ(recorder.arrSeen[0].first, CRegisteredMessages::Get().UWM_FILE_DONE);
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"Skipped password protected file  Sub/a.rar\r\n"});
    EXPECT_EQ(f.strPassword, "old");
    EXPECT_EQ(f.nArchivesDone, 3);
    EXPECT_EQ(f.nAsked, 1);
}

TEST(PasswordStepTest, SecondFailureIsReportedWithoutAskingAgain) {
    CStepFixture f;
    f.nAsked = 1;
    EXPECT_EQ(DecidePassword(f.state), EPasswordDecision::FileDone);
    EXPECT_TRUE(f.prompt.arrAsked.empty());
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"Sub/a.rar:  Wrong password\r\n"});
}

TEST(PasswordStepTest, PromptOffSkipsWithoutAsking) {
    CStepFixture f;
    f.state.bPasswordPrompt = false;
    EXPECT_EQ(DecidePassword(f.state), EPasswordDecision::FileDone);
    EXPECT_TRUE(f.prompt.arrAsked.empty());
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"Skipped password protected file  Sub/a.rar\r\n"});
    EXPECT_EQ(f.nAsked, 0);
}
