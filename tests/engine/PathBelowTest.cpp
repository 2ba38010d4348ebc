// The descriptor walk that clean-up and "Delete remaining" remove through.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "engine/PathBelow.h"
#include "tests/engine/ScratchDir.h"

namespace {

// Opens the holder of strPath below strTop; answers the errno of a refusal, 0 with the
// name and whether the descriptor is strExpected's folder.
int Open(const std::string& strTop, const std::string& strPath, std::string& strName,
         const std::string& strExpected = std::string()) {
    errno = 0;
    CFd fd(OpenHolder(strTop, strPath, strName));
    if (fd.Get() < 0)
        return errno;
    struct stat stGot {};
    struct stat stWanted {};
    EXPECT_EQ(fstat(fd.Get(), &stGot), 0);
    EXPECT_EQ(stat(strExpected.c_str(), &stWanted), 0) << strExpected;
    EXPECT_EQ(stGot.st_ino, stWanted.st_ino) << strPath;
    return 0;
}

}  // namespace

TEST(PathBelowTest, StepsDownRealFoldersOnlyAndStaysBelowTheTop) {
    CScratchDir dir;
    const std::string strTop = dir.Folder("Rel");
    dir.File("Rel/Sub/Deep/a.rar");
    const std::string strOutside = dir.Folder("Outside");
    dir.File("Outside/precious.rar");
    ASSERT_EQ(symlink(strOutside.c_str(), (strTop + "/Linked").c_str()), 0);
    dir.File("Rel/plain.txt");

    std::string strName;
    EXPECT_EQ(Open(strTop, strTop + "/Sub/Deep/a.rar", strName, strTop + "/Sub/Deep"), 0);
    EXPECT_EQ(strName, "a.rar");
    EXPECT_EQ(Open(strTop, strTop + "/plain.txt", strName, strTop), 0);
    // The top itself: its parent, as named.
    EXPECT_EQ(Open(strTop, strTop, strName, dir.Path()), 0);
    EXPECT_EQ(strName, "Rel");

    // A link on the way, a file on the way, a step that is gone.
    const int nLink = Open(strTop, strTop + "/Linked/precious.rar", strName);
    EXPECT_TRUE(nLink == ELOOP || nLink == ENOTDIR) << nLink;
    EXPECT_EQ(Open(strTop, strTop + "/plain.txt/x", strName), ENOTDIR);
    EXPECT_EQ(Open(strTop, strTop + "/Gone/x", strName), ENOENT);
    // Not below the top, or with a step that leaves it.
    for (const std::string& strPath :
         {strOutside + "/precious.rar", strTop + "Sibling/x", strTop + "/../Outside/precious.rar",
          strTop + "/./plain.txt", strTop + "//plain.txt", std::string("/")})
        EXPECT_EQ(Open(strTop, strPath, strName), EINVAL) << strPath;
    EXPECT_EQ(Open("", strTop + "/plain.txt", strName), EINVAL);
    EXPECT_EQ(Open("/", "/", strName), EINVAL);
}
