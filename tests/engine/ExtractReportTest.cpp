#include <gtest/gtest.h>

#include "engine/ExtractReport.h"
#include "tests/engine/ExtractTestSupport.h"

TEST(ExtractReportTest, ReportLineAddsTheRequestedLineBreaks) {
    std::vector<std::string> arrErrors;
    AddReportLine(arrErrors, "Write to disk error.", 1);
    AddReportLine(arrErrors, "Write to disk error.", 2);
    AddReportLine(arrErrors, "plain", 0);
    EXPECT_EQ(arrErrors, (std::vector<std::string>{"Write to disk error.\r\n", "Write to disk error.\r\n\r\n",
                                                   "plain"}));
}

TEST(ExtractReportTest, ReportTextSkipsAnEqualText) {
    std::vector<std::string> arrErrors;
    AddReportText(arrErrors, "a - CRC failed\r\n\r\n");
    AddReportText(arrErrors, "a - CRC failed\r\n\r\n");
    AddReportText(arrErrors, "a - CRC failed\r\n");
    EXPECT_EQ(arrErrors, (std::vector<std::string>{"a - CRC failed\r\n\r\n", "a - CRC failed\r\n"}));
}

TEST(ExtractReportTest, PathInInputIsRelativeOnlyInsideTheInputFolder) {
    EXPECT_EQ(PathInInput("/in/Sub/a.rar", "/in"), "Sub/a.rar");
    EXPECT_EQ(PathInInput("/in/a.rar", "/in/"), "a.rar");
    EXPECT_EQ(PathInInput("/a.zip", "/"), "a.zip");
    EXPECT_EQ(PathInInput("/input/a.rar", "/in"), "/input/a.rar");
    EXPECT_EQ(PathInInput("/x/in/a.rar", "/in"), "/x/in/a.rar");
    EXPECT_EQ(PathInInput("/in", "/in"), "/in");
    EXPECT_EQ(PathInInput("/in/a.rar", ""), "/in/a.rar");
}

TEST(ExtractReportTest, EachOutcomePostsItsDriverMessage) {
    EnsureTestApp();
    const CRegisteredMessages& m = CRegisteredMessages::Get();
    CExtractRecorder recorder;
    PostWorkerOutcome(&recorder, EWorkerOutcome::FileDone);
    PostWorkerOutcome(&recorder, EWorkerOutcome::PasswordNeeded);
    PostWorkerOutcome(&recorder, EWorkerOutcome::Killed);
    QCoreApplication::sendPostedEvents(&recorder);
    ASSERT_EQ(recorder.arrSeen.size(), 3u);
    EXPECT_EQ(recorder.arrSeen[0], std::make_pair(m.UWM_FILE_DONE, qintptr(0)));
    EXPECT_EQ(recorder.arrSeen[1], std::make_pair(m.UWM_PASSWORD_NEEDED, qintptr(0)));
    EXPECT_EQ(recorder.arrSeen[2], std::make_pair(m.UWM_ITEM_DONE, qintptr(3)));
}
