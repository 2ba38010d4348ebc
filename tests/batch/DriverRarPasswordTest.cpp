// The password flow of encrypted RAR archives through the whole driver: the real
// console RAR program decrypts, the scripted prompt plays the person at the dialog.
// The archives are the real RAR program's (headers and data encrypted with "password"; a
// RAR 5.0 one and a solid RAR 4.x one), copied into a temporary release folder for each test.

#include <gtest/gtest.h>

#include "DriverHarness.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/SharedFixtures.h"
#include "tests/fixtures/TestFiles.h"

using testfiles::Exists;
using testfiles::ReadFile;

namespace {

class DriverRarPasswordTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        REQUIRE_TOOLS();
        REQUIRE_SHARED_FIXTURES();
        const std::string strFixture = std::string(HARVEX_SHARED_FIXTURES) + "/rar/" + GetParam();
        bool bOk = false;
        const std::string strBytes = ReadFile(strFixture, &bOk);
        ASSERT_TRUE(bOk) << strFixture;
        strRel = tmp.MakeDir("Rel");
        ASSERT_TRUE(testfiles::WriteFile(strRel + "/enc.rar", strBytes));
        strOut = tmp.MakeDir("Out");
        CMainOptions options;
        options.bCleanUp = 1;
        options.bMainFolder = 0;
        h.SetOptions(options);
        h.Add(strRel, strOut);
    }

    void ExpectNothingExtracted() const {
        for (const char* pszName : {"a.txt", "b.txt", "c.txt", "d.txt"})
            EXPECT_FALSE(Exists(strOut + "/" + pszName)) << pszName;
        EXPECT_TRUE(Exists(strRel + "/enc.rar"));  // never cleaned up after a password failure
    }

    CTempDir tmp{"drv-rar-pw"};
    std::string strRel;
    std::string strOut;
    CDriverHarness h;
};

TEST_P(DriverRarPasswordTest, RightPasswordAtThePromptExtractsAndCleansUp) {
    REQUIRE_TOOLS();
    h.prompt.arrAnswers = {"password"};
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_EQ(h.prompt.arrAsked, std::vector<std::string>{"enc.rar"});
    for (const char* pszName : {"a.txt", "b.txt", "c.txt", "d.txt"})
        EXPECT_EQ(ReadFile(strOut + "/" + pszName), std::string("This is from ") + pszName);
    EXPECT_FALSE(Exists(strRel + "/enc.rar"));
}

TEST_P(DriverRarPasswordTest, PasswordGivenForTheRunNeedsNoPrompt) {
    REQUIRE_TOOLS();
    h.driver.strPassword = "password";
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_TRUE(h.prompt.arrAsked.empty());
    EXPECT_EQ(ReadFile(strOut + "/d.txt"), "This is from d.txt");
}

TEST_P(DriverRarPasswordTest, WrongPasswordIsAskedOnceThenFailsWithoutCleanUp) {
    REQUIRE_TOOLS();
    h.prompt.arrAnswers = {"wrong", "never asked"};
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_EQ(h.prompt.arrAsked.size(), 1u);
    EXPECT_NE(h.Errors(0).find("enc.rar:  Wrong password\r\n"), std::string::npos) << h.Errors(0);
    ExpectNothingExtracted();
}

TEST_P(DriverRarPasswordTest, PromptOffSkipsTheArchiveWithoutAsking) {
    REQUIRE_TOOLS();
    h.driver.bPasswordPrompt = 0;
    ASSERT_TRUE(h.Run());
    EXPECT_TRUE(h.prompt.arrAsked.empty());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("Skipped password protected file  enc.rar"), std::string::npos) << h.Errors(0);
    ExpectNothingExtracted();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(RealArchives, DriverRarPasswordTest,
                         ::testing::Values("test_read_format_rar5_encrypted_filenames.rar",
                                           "test_read_format_rar4_solid_encrypted_filenames.rar"));
