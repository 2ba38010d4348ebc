// The console RAR program on encrypted archives: the real ones written by the RAR program
// and sets written encrypted by the test writer. Right password: extracted as an
// unencrypted archive would be; wrong password: the password line, nothing left behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/companions/unrar/UnrarRun.h"
#include "tests/fixtures/CChildRun.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/SharedFixtures.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

const std::vector<std::string> SWITCHES = {"x", "-o+", "-ierr", "-av-", "-y", "-idp"};

UnrarResult Extract(const std::string& strArchive, const std::string& strPassword,
                    const std::string& strDest) {
    std::vector<std::string> args = SWITCHES;
    if (!strPassword.empty()) {
        args.push_back("-p" + strPassword);
    }
    args.push_back(strArchive);
    args.push_back(strDest);
    return RunUnrar(args);
}

std::map<std::string, std::string> TextFiles(const std::vector<std::string>& arrNames,
                                             const std::string& strPrefix) {
    std::map<std::string, std::string> tree;
    for (const std::string& name : arrNames) {
        tree[name] = "f:" + strPrefix + name + (strPrefix == "data of " ? "\n" : "");
    }
    return tree;
}

// The tree, or nothing when the destination was never created.
std::map<std::string, std::string> TreeIfAny(const std::string& strRoot) {
    return testfiles::Exists(strRoot) ? ReadTree(strRoot) : std::map<std::string, std::string>{};
}

bool EndsWithAllOk(const UnrarResult& r) {
    return r.strOutput.size() >= 7 && r.strOutput.substr(r.strOutput.size() - 7) == "All OK\n";
}

}  // namespace

TEST(UnrarDecryptionTest, RealEncryptedArchivesExtractWithTheirPassword) {
    REQUIRE_SHARED_FIXTURES();
    struct Case {
        const char* pArchive;
        const char* pPassword;
        std::map<std::string, std::string> tree;
    };
    const auto four = TextFiles({"a.txt", "b.txt", "c.txt", "d.txt"}, "This is from ");
    const auto fooBar = TextFiles({"foo.txt", "bar.txt"}, "data of ");
    const std::vector<Case> cases = {
        {"test_read_format_rar5_encrypted_filenames.rar", "password", four},
        {"test_read_format_rar4_encrypted_filenames.rar", "password", four},
        {"test_read_format_rar5_solid_encrypted.rar", "password", four},
        {"test_read_format_rar5_solid_encrypted_filenames.rar", "password", four},
        {"test_read_format_rar4_solid_encrypted.rar", "password", four},
        {"test_read_format_rar4_solid_encrypted_filenames.rar", "password", four},
        {"test_read_format_rar_encryption_data.rar", "12345678", fooBar},
        {"test_read_format_rar_encryption_header.rar", "12345678", fooBar},
        {"test_read_format_rar_encryption_partially.rar", "12345678", fooBar},
    };
    for (const Case& c : cases) {
        CUnrarTempDir tmp;
        UnrarResult r = Extract(RarFixtures() + c.pArchive, c.pPassword, tmp.Path());
        EXPECT_EQ(r.nExitCode, 0) << c.pArchive << "\n" << r.strOutput;
        EXPECT_TRUE(EndsWithAllOk(r)) << c.pArchive << "\n" << r.strOutput;
        EXPECT_EQ(ReadTree(tmp.Path()), c.tree) << c.pArchive;
        // Testing reads the same way.
        UnrarResult t = RunUnrar({"t", "-idp", "-p" + std::string(c.pPassword), RarFixtures() + c.pArchive});
        EXPECT_EQ(t.nExitCode, 0) << c.pArchive << "\n" << t.strOutput;
    }
}

TEST(UnrarDecryptionTest, TwoPasswordArchiveExtractsTheGivenPasswordsFilesOnly) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive :
         {"test_read_format_rar5_encrypted.rar", "test_read_format_rar4_encrypted.rar"}) {
        for (const auto& [strPassword, strOther] :
             {std::pair<std::string, std::string>{"password", "d.txt"}, {"password2", "b.txt"}}) {
            CUnrarTempDir tmp;
            UnrarResult r = Extract(RarFixtures() + pArchive, strPassword, tmp.Path());
            EXPECT_EQ(r.nExitCode, 3) << pArchive;
            EXPECT_NE(r.strOutput.find("CRC failed in the encrypted file " + strOther +
                                       " (password incorrect ?)\n"),
                      std::string::npos)
                << pArchive << "\n"
                << r.strOutput;
            EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << pArchive;
            auto expected = TextFiles({"a.txt", "b.txt", "c.txt", "d.txt"}, "This is from ");
            expected.erase(strOther);
            EXPECT_EQ(ReadTree(tmp.Path()), expected) << pArchive << " " << strPassword;
        }
    }
}

TEST(UnrarDecryptionTest, WrongPasswordGivesThePasswordLineAndLeavesNoEncryptedFile) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive :
         {"test_read_format_rar4_encrypted.rar", "test_read_format_rar5_encrypted.rar",
          "test_read_format_rar4_solid_encrypted.rar", "test_read_format_rar5_solid_encrypted.rar",
          "test_read_format_rar4_encrypted_filenames.rar", "test_read_format_rar5_encrypted_filenames.rar",
          "test_read_format_rar4_solid_encrypted_filenames.rar",
          "test_read_format_rar5_solid_encrypted_filenames.rar", "test_read_format_rar_encryption_data.rar",
          "test_read_format_rar_encryption_header.rar", "test_read_format_rar_encryption_partially.rar"}) {
        CUnrarTempDir tmp;
        UnrarResult r = Extract(RarFixtures() + pArchive, "not-the-password", tmp.Path());
        EXPECT_EQ(r.nExitCode, 3) << pArchive << "\n" << r.strOutput;
        EXPECT_NE(r.strOutput.find("CRC failed in the encrypted file "), std::string::npos)
            << pArchive << "\n"
            << r.strOutput;
        EXPECT_NE(r.strOutput.find(" (password incorrect ?)\n"), std::string::npos) << pArchive;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << pArchive;
        EXPECT_EQ(r.strOutput.find("Enter password"), std::string::npos) << pArchive;
        // Only entries that were never encrypted may be there.
        for (const auto& [name, content] : ReadTree(tmp.Path())) {
            const bool bPlain = (name == "a.txt" || name == "c.txt") &&
                                std::string(pArchive).find("_encrypted.rar") != std::string::npos &&
                                std::string(pArchive).find("solid") == std::string::npos;
            EXPECT_TRUE(bPlain ||
                        (name == "bar.txt" && std::string(pArchive).find("partially") != std::string::npos))
                << pArchive << ": " << name;
        }
    }
}

TEST(UnrarDecryptionTest, HeaderEncryptedArchiveAsksBeforeExtractingAnything) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive :
         {"test_read_format_rar5_encrypted_filenames.rar", "test_read_format_rar_encryption_header.rar",
          "test_read_format_rar5_encrypted.rar"}) {
        CUnrarTempDir tmp;
        UnrarResult r = Extract(RarFixtures() + pArchive, "", tmp.Path());
        const size_t nPrompt = r.strOutput.find("Enter password (will not be echoed) for ");
        ASSERT_NE(nPrompt, std::string::npos) << pArchive;
        EXPECT_EQ(r.strOutput.rfind("Extracting  ", nPrompt), std::string::npos) << pArchive << "\n"
                                                                                 << r.strOutput;
        EXPECT_EQ(r.nExitCode, 3) << pArchive;
    }
}

TEST(UnrarDecryptionTest, WriterSetsAcrossVolumesExtractByteIdentical) {
    const std::string strBig = testfiles::RandomBytes(250011, 21);
    for (ERarFormat eFormat : {ERarFormat::Rar5, ERarFormat::Rar4}) {
        for (bool bHeaders : {false, true}) {
            CUnrarTempDir tmp;
            CRarEncryptionOptions eo;
            eo.strPassword = "pass word";
            eo.bEncryptHeaders = bHeaders;
            eo.nKdfCount = 12;
            CRarEncryptionHook hook(eo);
            CRarOptions o;
            o.eFormat = eFormat;
            o.pHook = &hook;
            o.nVolumeSize = 60000;
            CRarWriter w(o);
            w.AddFile("docs/readme.txt", "read me");
            w.AddFile("docs/big.bin", strBig);
            w.AddDirectory("empty");
            w.AddFile("z.txt", "last");
            CRarResult set = w.Write(tmp.Sub("enc.rar"));
            ASSERT_TRUE(set.bOk) << set.strError;
            ASSERT_GE(set.arrVolumes.size(), 4u);
            UnrarResult r = Extract(set.arrVolumes[0], "pass word", tmp.Sub("out"));
            EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
            EXPECT_TRUE(EndsWithAllOk(r)) << r.strOutput;
            std::map<std::string, std::string> expected = {{"docs", "d"},
                                                           {"docs/readme.txt", "f:read me"},
                                                           {"docs/big.bin", "f:" + strBig},
                                                           {"empty", "d"},
                                                           {"z.txt", "f:last"}};
            EXPECT_EQ(ReadTree(tmp.Sub("out")), expected) << int(eFormat) << bHeaders;

            UnrarResult wrong = Extract(set.arrVolumes[0], "pass-word", tmp.Sub("wrong"));
            EXPECT_EQ(wrong.nExitCode, 3);
            EXPECT_NE(wrong.strOutput.find(" (password incorrect ?)\n"), std::string::npos)
                << wrong.strOutput;
            for (const auto& [name, content] : TreeIfAny(tmp.Sub("wrong"))) {
                EXPECT_EQ(content, "d") << "extracted with a wrong password: " << name;
            }
        }
    }
}

TEST(UnrarDecryptionTest, DamagedEncryptedDataIsNeverAllOk) {
    for (ERarFormat eFormat : {ERarFormat::Rar5, ERarFormat::Rar4}) {
        CUnrarTempDir tmp;
        CRarEncryptionOptions eo;
        eo.bEncryptHeaders = true;
        eo.nKdfCount = 12;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = eFormat;
        o.pHook = &hook;
        CRarWriter w(o);
        w.AddFile("good.txt", "fine");
        w.AddFile("flipped.bin", testfiles::RandomBytes(10000, 8)).nFlipByteAt = 4321;
        CRarResult set = w.Write(tmp.Sub("flip.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        UnrarResult r = Extract(set.arrVolumes[0], "password", tmp.Sub("out"));
        EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos);
        // RAR 5.0 verified the password with its check value: plain damage. RAR 4.x cannot
        // tell damage from a wrong password.
        const std::string strLine =
            eFormat == ERarFormat::Rar5
                ? "ERROR: flipped.bin - CRC failed\n"
                : "CRC failed in the encrypted file flipped.bin (password incorrect ?)\n";
        EXPECT_NE(r.strOutput.find(strLine), std::string::npos) << r.strOutput;
        std::map<std::string, std::string> expected = {{"good.txt", "f:fine"}};
        EXPECT_EQ(ReadTree(tmp.Sub("out")), expected);

        CRarOptions t = o;
        t.mapTruncate[0] = 3000;
        CRarEncryptionHook hook2(eo);
        t.pHook = &hook2;
        CRarWriter w2(t);
        w2.AddFile("cut.bin", testfiles::RandomBytes(10000, 9));
        CRarResult cut = w2.Write(tmp.Sub("cut.rar"));
        ASSERT_TRUE(cut.bOk) << cut.strError;
        UnrarResult rc = Extract(cut.arrVolumes[0], "password", tmp.Sub("cutout"));
        EXPECT_EQ(rc.nExitCode, 3) << rc.strOutput;
        EXPECT_EQ(rc.strOutput.find("All OK"), std::string::npos) << rc.strOutput;
        EXPECT_TRUE(TreeIfAny(tmp.Sub("cutout")).empty()) << rc.strOutput;
    }
}

TEST(UnrarDecryptionTest, Rar4FilesWithoutSaltExtractWithThePasswordOnly) {
    const std::string strBig = testfiles::RandomBytes(150001, 31);
    for (bool bVolumes : {false, true}) {
        CUnrarTempDir tmp;
        CRarEncryptionOptions eo;
        eo.strPassword = "unsalted";
        eo.bNoSalt = true;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = ERarFormat::Rar4;
        o.pHook = &hook;
        o.nVolumeSize = bVolumes ? 50000 : 0;
        CRarWriter w(o);
        w.AddFile("note.txt", "no salt");
        w.AddFile("data/big.bin", strBig);
        CRarResult set = w.Write(tmp.Sub("nosalt.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        ASSERT_EQ(set.arrVolumes.size() > 1, bVolumes);

        UnrarResult r = Extract(set.arrVolumes[0], "unsalted", tmp.Sub("out"));
        EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
        EXPECT_TRUE(EndsWithAllOk(r)) << r.strOutput;
        std::map<std::string, std::string> expected = {
            {"note.txt", "f:no salt"}, {"data", "d"}, {"data/big.bin", "f:" + strBig}};
        EXPECT_EQ(ReadTree(tmp.Sub("out")), expected) << bVolumes;
        UnrarResult t = RunUnrar({"t", "-idp", "-punsalted", set.arrVolumes[0]});
        EXPECT_EQ(t.nExitCode, 0) << t.strOutput;

        UnrarResult wrong = Extract(set.arrVolumes[0], "Unsalted", tmp.Sub("wrong"));
        EXPECT_EQ(wrong.nExitCode, 3) << wrong.strOutput;
        EXPECT_NE(
            wrong.strOutput.find("CRC failed in the encrypted file data/big.bin (password incorrect ?)\n"),
            std::string::npos)
            << wrong.strOutput;
        EXPECT_EQ(wrong.strOutput.find("All OK"), std::string::npos);
        for (const auto& [name, content] : TreeIfAny(tmp.Sub("wrong"))) {
            EXPECT_EQ(content, "d") << "extracted with a wrong password: " << name;
        }
    }
}

TEST(UnrarDecryptionTest, Rar20CipherIsRefusedWithAClearLineAndNothingExtracted) {
    CUnrarTempDir tmp;
    CRarEncryptionOptions eo;
    eo.bNoSalt = true;
    CRarEncryptionHook hook(eo);
    CRarOptions o;
    o.eFormat = ERarFormat::Rar4;
    o.pHook = &hook;
    CRarWriter w(o);
    w.AddFile("old.txt", "an old cipher");
    CRarResult set = w.Write(tmp.Sub("old.rar"));
    ASSERT_TRUE(set.bOk) << set.strError;
    ASSERT_TRUE(CRarEncryptionHook::SetRar4UnpackVersion(set.arrVolumes[0], 20));

    UnrarResult r = Extract(set.arrVolumes[0], "password", tmp.Sub("out"));
    EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
    EXPECT_NE(r.strOutput.find("ERROR: old.txt - encrypted; the RAR 1.5/2.0 cipher (version 2.0) is not "
                               "supported, only AES (RAR 2.9 and later)\n"),
              std::string::npos)
        << r.strOutput;
    EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos);
    // Not a password problem: the runner must not ask again.
    EXPECT_EQ(r.strOutput.find("(password incorrect ?)"), std::string::npos) << r.strOutput;
    EXPECT_TRUE(TreeIfAny(tmp.Sub("out")).empty()) << r.strOutput;
}

TEST(UnrarDecryptionTest, MkrarEncryptedSetsExtractWithTheirPassword) {
    CUnrarTempDir tmp;
    testfiles::WriteFile(tmp.Sub("in/a.txt"), "first");
    testfiles::WriteRandomFile(tmp.Sub("in/sub/b.bin"), 300000, 4);
    const std::string strMkrar = HARVEX_BIN_DIR "/harvex-mkrar";
    const std::vector<std::vector<std::string>> modes = {
        {"--password", "pw one", "--encrypt-headers", "--kdf-count", "10"},
        {"--password", "pw one"},
        {"--rar4", "--password", "pw one", "--encrypt-headers", "--salt-per-file"},
        {"--rar4", "--password", "pw one", "--no-salt"},
    };
    int n = 0;
    for (const std::vector<std::string>& mode : modes) {
        const std::string strSet = tmp.Sub("set" + std::to_string(n++) + ".rar");
        std::vector<std::string> args = {strMkrar, "--volume-size", "100K"};
        args.insert(args.end(), mode.begin(), mode.end());
        args.push_back(strSet);
        args.push_back(tmp.Sub("in"));
        CChildResult w = RunChild(args);
        ASSERT_EQ(w.nExitCode, 0) << w.strOutput;
        const std::string strFirst = w.strOutput.substr(0, w.strOutput.find('\n'));
        // The content is not in the clear.
        EXPECT_EQ(ReadFileBytes(strFirst).find("first"), std::string::npos) << mode.size();

        UnrarResult r = Extract(strFirst, "pw one", tmp.Sub("out" + std::to_string(n)));
        EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
        EXPECT_TRUE(EndsWithAllOk(r)) << r.strOutput;
        std::map<std::string, std::string> expected = {
            {"in", "d"},
            {"in/a.txt", "f:first"},
            {"in/sub", "d"},
            {"in/sub/b.bin", "f:" + ReadFileBytes(tmp.Sub("in/sub/b.bin"))}};
        EXPECT_EQ(ReadTree(tmp.Sub("out" + std::to_string(n))), expected);
        UnrarResult wrong = Extract(strFirst, "pw two", tmp.Sub("wrong" + std::to_string(n)));
        EXPECT_EQ(wrong.nExitCode, 3) << wrong.strOutput;
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--encrypt-headers"},
                                                {"--password", "x", "--no-salt"},
                                                {"--kdf-count", "30"}}) {
        std::vector<std::string> args = {strMkrar};
        args.insert(args.end(), bad.begin(), bad.end());
        args.push_back(tmp.Sub("bad.rar"));
        args.push_back(tmp.Sub("in"));
        CChildResult r = RunChild(args);
        EXPECT_EQ(r.nExitCode, 2) << bad[0];
        EXPECT_NE(r.strOutput.find("usage: harvex-mkrar"), std::string::npos) << r.strOutput;
    }
}
