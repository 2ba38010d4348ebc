// The password read from a descriptor (--password-fd=<n>), the way the caller hands it
// over so that it never stands on the command line; -p<password> stays for people.
#include <gtest/gtest.h>

#include "UnrarRun.h"
#include "companions/unrar/UnrarContract.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

// An archive with encrypted headers and data (password "fd secret").
std::string WriteEncrypted(const CUnrarTempDir& tmp) {
    CRarEncryptionHook hook({.strPassword = "fd secret", .bEncryptHeaders = true});
    CRarOptions options;
    options.pHook = &hook;
    CRarWriter writer(options);
    writer.AddFile("a.txt", "alpha\n");
    return writer.Write(tmp.Sub("enc.rar")).arrVolumes.at(0);
}

}  // namespace

TEST(UnrarPasswordFdTest, PasswordOnTheDescriptorDecryptsAsDashPDoes) {
    CUnrarTempDir tmp;
    const std::string strArchive = WriteEncrypted(tmp);
    // Descriptor 0 here: standard input carries the password, then ends.
    UnrarResult r =
        RunUnrar({"x", "-idp", "--password-fd=0", strArchive, tmp.Sub("o1")}, {"fd secret", -1, ""});
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("o1/a.txt")), "alpha\n");
    // A typed line keeps its line break out of the password.
    r = RunUnrar({"t", "-idp", "--password-fd=0", strArchive}, {"fd secret\n", -1, ""});
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    r = RunUnrar({"x", "-idp", "-pfd secret", strArchive, tmp.Sub("o2")});
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("o2/a.txt")), "alpha\n");
}

TEST(UnrarPasswordFdTest, WrongPasswordOnTheDescriptorIsAWrongPassword) {
    CUnrarTempDir tmp;
    const std::string strArchive = WriteEncrypted(tmp);
    const UnrarResult r =
        RunUnrar({"x", "-idp", "--password-fd=0", strArchive, tmp.Sub("o")}, {"nope", -1, ""});
    EXPECT_NE(r.nExitCode, 0);
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("o/a.txt")));
}

TEST(UnrarPasswordFdTest, BadDescriptorsAndMixedPasswordSwitchesAreUsageErrors) {
    CUnrarTempDir tmp;
    const std::string strArchive = WriteEncrypted(tmp);
    const struct {
        std::vector<std::string> arrArgs;
        std::string strStdin;
        const char* pszReason;
    } CASES[] = {
        {{"x", "--password-fd=", strArchive}, "", "--password-fd needs a descriptor number"},
        {{"x", "--password-fd=-1", strArchive}, "", "--password-fd needs a descriptor number"},
        {{"x", "--password-fd=3x", strArchive}, "", "--password-fd needs a descriptor number"},
        {{"x", "--password-fd=0", "-psecret", strArchive}, "", "give only one of"},
        {{"x", "-p-", "--password-fd=0", strArchive}, "", "give only one of"},
        {{"x", "--password-fd=0", strArchive}, "", "no password on descriptor 0"},
        {{"x", "--password-fd=97", strArchive}, "", "cannot read the password from descriptor 97"},
    };
    for (const auto& c : CASES) {
        const UnrarResult r = RunUnrar(c.arrArgs, {c.strStdin, -1, tmp.Path()});
        EXPECT_EQ(r.nExitCode, unrar::EXIT_USAGE) << c.pszReason << "\n" << r.strOutput;
        EXPECT_NE(r.strOutput.find(std::string("ERROR: Command line: ") + c.pszReason), std::string::npos)
            << r.strOutput;
        EXPECT_FALSE(testfiles::Exists(tmp.Sub("a.txt")));
    }
}
