// The secret hand-over of CRedirect: the child reads it on descriptor SECRET_FD, it is
// the only descriptor the child inherits besides 0, 1 and 2, and it is nowhere on the
// argument vector.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "process/CRedirect.h"

namespace {

class CTextOwner : public CRedirectOwner {
public:
    void OnPasswordPrompt() override {}
    void SetExitCode(int nCode) override { nExitCode = nCode; }
    void AppendWorkerLog(const std::string& text) override { strText += text; }
    int nExitCode = -1;
    std::string strText;
};

// The descriptors listed by `ls -l /proc/self/fd` of the program itself (exec'd
// directly, no shell), without the one ls opened to read that folder.
std::set<int> ListedDescriptors(const std::string& strListing, std::string& strSecretTarget) {
    std::set<int> arrFds;
    std::istringstream in(strListing);
    std::string strLine;
    while (std::getline(in, strLine)) {
        const size_t nArrow = strLine.find(" -> ");
        if (nArrow == std::string::npos) {
            continue;
        }
        const std::string strTarget = strLine.substr(nArrow + 4);
        if (strTarget.rfind("/proc/", 0) == 0) {
            continue;
        }
        const size_t nSpace = strLine.rfind(' ', nArrow - 1);
        const int nFd = std::stoi(strLine.substr(nSpace + 1, nArrow - nSpace - 1));
        arrFds.insert(nFd);
        if (nFd == CRedirect::SECRET_FD) {
            strSecretTarget = strTarget;
        }
    }
    return arrFds;
}

}  // namespace

TEST(RedirectSecretTest, ChildReadsTheSecretOnItsDescriptorToTheEnd) {
    CTextOwner owner;
    const std::string strSecret = "p\xC3\xA4ss word; $(rm -rf /)\n\"quoted\"";
    CRedirect redirect({"/bin/sh", "-c", "printf '['; cat <&3; printf ']'"}, &owner);
    redirect.SetSecretInput(strSecret);
    redirect.Run();
    EXPECT_EQ(owner.nExitCode, 0);
    EXPECT_EQ(owner.strText, "[" + strSecret + "]");
}

TEST(RedirectSecretTest, SecretIsTheOnlyInheritedDescriptorAndOthersStayClosed) {
    // A descriptor of this process that is not close-on-exec must not reach the child.
    const int nLeaky = open("/dev/null", O_RDONLY);
    ASSERT_GE(nLeaky, 0);
    const int nLeakyHigh = dup2(nLeaky, 40);
    ASSERT_EQ(nLeakyHigh, 40);

    CTextOwner withSecret;
    CRedirect first({"/bin/ls", "-l", "/proc/self/fd"}, &withSecret);
    first.SetSecretInput("hidden");
    first.Run();
    std::string strTarget;
    EXPECT_EQ(ListedDescriptors(withSecret.strText, strTarget),
              (std::set<int>{0, 1, 2, CRedirect::SECRET_FD}))
        << withSecret.strText;
    EXPECT_EQ(strTarget.rfind("pipe:", 0), 0u) << strTarget;

    CTextOwner withoutSecret;
    CRedirect second({"/bin/ls", "-l", "/proc/self/fd"}, &withoutSecret);
    second.Run();
    strTarget.clear();
    EXPECT_EQ(ListedDescriptors(withoutSecret.strText, strTarget), (std::set<int>{0, 1, 2}))
        << withoutSecret.strText;
    close(nLeaky);
    close(nLeakyHigh);
}

TEST(RedirectSecretTest, SecretNeverAppearsInTheChildsArgumentsOrEnvironment) {
    CTextOwner owner;
    CRedirect redirect(
        {"/bin/sh", "-c", "tr '\\0' ' ' < /proc/$$/cmdline; echo; tr '\\0' '\\n' < /proc/$$/environ"},
        &owner);
    redirect.SetSecretInput("Zebra-7731-secret");
    redirect.Run();
    EXPECT_EQ(owner.nExitCode, 0);
    EXPECT_NE(owner.strText.find("/bin/sh -c"), std::string::npos) << owner.strText;
    EXPECT_EQ(owner.strText.find("Zebra-7731-secret"), std::string::npos);
}

TEST(RedirectSecretTest, OversizedSecretRefusesToStartTheProgram) {
    CTextOwner owner;
    CRedirect redirect({"/bin/true"}, &owner);
    redirect.SetSecretInput(std::string(4 * 1024 * 1024, 'x'));
    redirect.Run();
    EXPECT_FALSE(redirect.Result().bStarted);
    EXPECT_EQ(redirect.Result().strError.rfind("Error creating pipe\r\n", 0), 0u)
        << redirect.Result().strError;
}
