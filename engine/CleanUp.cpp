#include "engine/CleanUp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/CProcessLog.h"
#include "engine/FolderMarkers.h"
#include "engine/PathBelow.h"
#include "engine/PathHelpers.h"

namespace {

std::string WithSlash(const std::string& strFolder) {
    if (!strFolder.empty() && strFolder.back() == '/')
        return strFolder;
    return strFolder + "/";
}

bool IsInsideFolder(const std::string& strPath, const std::string& strFolder) {
    const std::string strPrefix = WithSlash(strFolder);
    return strPath.size() > strPrefix.size() && strPath.compare(0, strPrefix.size(), strPrefix) == 0;
}

std::string LowerTail(const std::string& strPath, std::size_t nCount) {
    std::string strTail = strPath.size() > nCount ? strPath.substr(strPath.size() - nCount) : strPath;
    for (char& c : strTail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return strTail;
}

// The output folder lies strictly inside the item's input folder: what the archives were
// extracted to must never be cleaned up with the item.
bool IsInOutputBelowInput(const std::string& strPath, const CCleanUpContext& ctx) {
    if (ctx.strOutputFolder == ctx.strInputPath ||
        WithSlash(ctx.strOutputFolder) == WithSlash(ctx.strInputPath) ||
        !IsInsideFolder(ctx.strOutputFolder, ctx.strInputPath))
        return false;
    return WithSlash(strPath) == WithSlash(ctx.strOutputFolder) ||
           IsInsideFolder(strPath, ctx.strOutputFolder);
}

void AddEntry(std::vector<CleanUpInfo>& arrCleanUp, const std::string& strPath, const std::string& strMessage,
              int nKind) {
    CleanUpInfo info;
    info.strPath = strPath;
    info.strMessage = strMessage;
    info.nKind = nKind;
    arrCleanUp.push_back(info);
}

bool HasEntry(const std::vector<CleanUpInfo>& arrCleanUp, const std::string& strPath) {
    for (const CleanUpInfo& info : arrCleanUp)
        if (info.strPath == strPath)
            return true;
    return false;
}

// A kept companion whose copy went elsewhere may go only when that copy succeeded.
bool MayDeleteKept(bool bKeep, const CFileInformation& f, const CCleanUpContext& ctx) {
    if (!bKeep)
        return true;
    if (!ctx.OutputElsewhere())
        return false;
    return ctx.setCopiedOk.count(f.strPath) != 0;
}

enum class EDecision { Delete, Keep, KeepWithEntry };

EDecision Decide(const std::vector<CFileInformation>& arrAllFiles, const CFileInformation& f,
                 const CCleanUpContext& ctx) {
    const bool bElsewhere = ctx.OutputElsewhere();
    auto kept = [&](bool bKeep) {
        if (!bKeep)
            return EDecision::Delete;
        if (!bElsewhere)
            return EDecision::Keep;
        return MayDeleteKept(bKeep, f, ctx) ? EDecision::Delete : EDecision::KeepWithEntry;
    };
    if (f.bRar || f.bZip || f.bSubsPack)
        return EDecision::Delete;
    if (f.bNfo) {
        if (!ctx.bKeepNfo || bElsewhere)
            return kept(ctx.bKeepNfo);
        const std::string strOutSlash = WithSlash(ctx.strOutputFolder);
        if (f.strFolder == strOutSlash)
            return EDecision::Keep;
        const std::string strName = FileNameOf(f.strPath);
        for (const CFileInformation& g : arrAllFiles)
            if (g.bNfo && g.strFolder == strOutSlash && FileNameOf(g.strPath) == strName)
                return EDecision::Delete;
        return EDecision::Keep;
    }
    if (f.bSample)
        return kept(ctx.bKeepSample);
    if (f.bSubtitle)
        return kept(ctx.bKeepSubs);
    if (f.bCover)
        return kept(ctx.bKeepCovers);
    return EDecision::Delete;
}

}  // namespace

std::string SystemMessage(int nError) {
    return SystemErrorText(nError);
}

void DeleteFiles(std::vector<CFileInformation>& arrAllFiles, const CCleanUpContext& ctx,
                 std::vector<CleanUpInfo>& arrCleanUp, CProcessLog& log) {
    log.AppendLog("Delete files\r\n");
    const std::string strInput = WithoutTrailingSlash(ctx.strInputPath);
    std::size_t i = 0;
    while (i < arrAllFiles.size()) {
        const CFileInformation f = arrAllFiles[i];
        const EDecision decision = Decide(arrAllFiles, f, ctx);
        if (decision != EDecision::Delete) {
            if (decision == EDecision::KeepWithEntry && !HasEntry(arrCleanUp, f.strPath))
                AddEntry(arrCleanUp, f.strPath, "", 1);
            ++i;
            continue;
        }
        // Never through a link, never outside the item, never what was extracted: the file is
        // reached from the input folder one real folder at a time and removed from there.
        std::string strName;
        CFd holder(IsInOutputBelowInput(f.strPath, ctx) ? -1 : OpenHolder(strInput, f.strPath, strName));
        struct stat stEntry {};
        if (holder.Get() < 0 || fstatat(holder.Get(), strName.c_str(), &stEntry, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(stEntry.st_mode)) {
            if (!HasEntry(arrCleanUp, f.strPath))
                AddEntry(arrCleanUp, f.strPath, "", 1);
            ++i;
            continue;
        }
        const std::string strExt = LowerTail(f.strPath, 3);
        if (strExt != "nfo" && strExt != "diz") {
            const int fd =
                openat(holder.Get(), strName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) {
                const int nError = errno;
                AddEntry(arrCleanUp, f.strPath, f.strPath + ": " + SystemMessage(nError), 2);
                ++i;
                continue;
            }
            struct stat st {};
            const bool bSameSize = fstat(fd, &st) == 0 && static_cast<std::uint32_t>(st.st_size) == f.nSize;
            close(fd);
            if (!bSameSize) {
                ++i;
                continue;
            }
        }
        if (unlinkat(holder.Get(), strName.c_str(), 0) == 0) {
            arrAllFiles.erase(arrAllFiles.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        const int nError = errno;
        AddEntry(arrCleanUp, f.strPath, f.strPath + ": " + SystemMessage(nError), 2);
        ++i;
    }
}

void DeleteFolders(std::vector<std::string>& arrFolders, const CCleanUpContext& ctx,
                   std::vector<CleanUpInfo>& arrCleanUp, CProcessLog& log) {
    if (!arrFolders.empty())
        log.AppendLog("Delete folders\r\n");
    // Deepest first: a folder comes before the folders that contain it; equal lengths keep
    // their order.
    const std::size_t n = arrFolders.size();
    for (std::size_t nPass = 1; nPass < n; ++nPass)
        for (std::size_t j = 1; j < n; ++j)
            if (arrFolders[j - 1].size() < arrFolders[j].size())
                std::swap(arrFolders[j - 1], arrFolders[j]);

    const bool bElsewhere = ctx.OutputElsewhere();
    const std::string strInput = WithoutTrailingSlash(ctx.strInputPath);
    std::size_t j = 0;
    while (j < arrFolders.size()) {
        const std::string strFolder = arrFolders[j];
        // What was extracted, and anything reached through a link, is not ours to remove.
        std::string strName;
        CFd holder(IsInOutputBelowInput(strFolder, ctx)
                       ? -1
                       : OpenHolder(strInput, WithoutTrailingSlash(strFolder), strName));
        struct stat stEntry {};
        if (holder.Get() < 0 || fstatat(holder.Get(), strName.c_str(), &stEntry, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(stEntry.st_mode)) {
            ++j;
            continue;
        }
        if (unlinkat(holder.Get(), strName.c_str(), AT_REMOVEDIR) == 0) {
            arrFolders.erase(arrFolders.begin() + static_cast<std::ptrdiff_t>(j));
            continue;
        }
        bool bReport = true;
        if (SampleFolderPos(strFolder, true, ctx.strInputPath) >= 0)
            bReport = !(ctx.bKeepSample && !bElsewhere);
        else if (CoverFolderPos(strFolder, true, ctx.strInputPath) >= 0)
            bReport = !(ctx.bKeepCovers && !bElsewhere);
        else if (SubsFolderPos(strFolder, true, ctx.strInputPath) >= 0)
            bReport = !(ctx.bKeepSubs && ctx.bKeepSubsFolder && !bElsewhere);
        else if (strFolder == ctx.strItemPath)
            bReport = bElsewhere;
        if (bReport)
            AddEntry(arrCleanUp, strFolder, "", 3);
        ++j;
    }
}

bool IsExistingFolder(const std::string& strPath) {
    if (strPath.rfind("//", 0) == 0)
        return true;
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
