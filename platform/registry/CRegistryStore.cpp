#include "platform/registry/CRegistryStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

LSTATUS StatusFromErrno(int err) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOTDIR:
        case ENOENT:
            return ERROR_PATH_NOT_FOUND;
        case ENOMEM:
            return ERROR_OUTOFMEMORY;
        case ENOSPC:
        case EDQUOT:
        case EIO:
            return ERROR_WRITE_FAULT;
        default:
            return ERROR_CANTWRITE;
    }
}

bool IsBlankText(const std::string& text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

bool ValidValueName(const std::string& name) {
    return name.find('\n') == std::string::npos && name.find('\r') == std::string::npos;
}

}  // namespace

CRegistryStore& CRegistryStore::Instance() {
    static CRegistryStore store;
    return store;
}

CRegistryStore::~CRegistryStore() {
    FlushAll();
}

const char* CRegistryStore::HiveNameOf(HKEY root) {
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    return nullptr;
}

std::string CRegistryStore::HiveFilePath(HKEY root) const {
    const char* name = HiveNameOf(root);
    return name ? CRegFile::HiveFilePath(name) : std::string();
}

CRegistryStore::CHiveState* CRegistryStore::HiveFor(HKEY root) {
    const char* name = HiveNameOf(root);
    if (!name)
        return nullptr;
    // The place is looked up on every use, so a changed HARVEX_REGISTRY_DIR
    // reaches a different set of files.
    const std::string file = CRegFile::HiveFilePath(name);
    auto& slot = m_mapHives[file];
    if (!slot) {
        slot = std::make_unique<CHiveState>();
        slot->strFile = file;
        slot->strHiveName = name;
        slot->hiveView = CRegHive(name);
    }
    return slot.get();
}

LSTATUS CRegistryStore::Resolve(HKEY key, CHiveState*& hive, std::string& path, REGSAM& access) {
    if (HiveNameOf(key)) {
        hive = HiveFor(key);
        path.clear();
        access = KEY_ALL_ACCESS;
    } else {
        auto it = m_mapHandles.find(key);
        if (it == m_mapHandles.end())
            return ERROR_INVALID_HANDLE;
        hive = it->second.pHive;
        path = it->second.strPath;
        access = it->second.nAccess;
    }
    Refresh(*hive);
    if (!hive->hiveView.HasKey(path))
        return ERROR_KEY_DELETED;
    return ERROR_SUCCESS;
}

void CRegistryStore::Refresh(CHiveState& hive) {
    CFileStamp now = CRegFile::Stamp(hive.strFile);
    if (hive.bLoaded && now == hive.stampDisk)
        return;

    std::string text;
    CFileStamp stamp;
    int err = CRegFile::ReadText(hive.strFile, text, stamp);
    CRegHive::CParseReport report;
    CRegHive disk(hive.strHiveName);
    if (err == 0) {
        if (!IsBlankText(text))
            disk = CRegHive::FromRegText(hive.strHiveName, text, report);
    } else if (err != ENOENT && err != ENOTDIR) {
        // A missing file or folder is an empty hive; anything else is worth a word.
        ReportDamage(hive, now, report, err);
    }
    if (err == 0 && !report.IsClean())
        ReportDamage(hive, stamp, report, 0);

    for (const COp& op : hive.arrPending)
        Apply(disk, op);
    hive.hiveView = std::move(disk);
    hive.stampDisk = err == 0 ? stamp : now;
    hive.bLoaded = true;
}

void CRegistryStore::ReportDamage(CHiveState& hive, const CFileStamp& stamp,
                                  const CRegHive::CParseReport& report, int readError) {
    if (hive.stampWarned == stamp && stamp.bExists)
        return;
    hive.stampWarned = stamp;
    if (readError) {
        std::fprintf(stderr, "harvex: cannot read the registry file %s (%s); its settings are not used\n",
                     hive.strFile.c_str(), std::strerror(readError));
        return;
    }
    std::string first = report.arrProblems.empty() ? std::string("unreadable") : report.arrProblems.front();
    std::fprintf(stderr,
                 "harvex: the registry file %s is %s (%s%s); only what it holds in order is used, and a "
                 "copy is kept before it is rewritten\n",
                 hive.strFile.c_str(), report.bForeign ? "not a registry export of its hive" : "damaged",
                 first.c_str(),
                 report.arrProblems.size() > 1
                     ? (", and " + std::to_string(report.arrProblems.size() - 1) + " more").c_str()
                     : "");
}

void CRegistryStore::Apply(CRegHive& hive, const COp& op) {
    switch (op.nKind) {
        case COp::CREATE_KEY:
            hive.CreateKey(op.strPath);
            break;
        case COp::SET_VALUE:
            hive.SetValue(op.strPath, op.strName, op.nType, op.arrData);
            break;
        case COp::DELETE_VALUE:
            hive.DeleteValue(op.strPath, op.strName);
            break;
        case COp::DELETE_KEY:
            hive.DeleteKey(op.strPath);
            break;
    }
}

void CRegistryStore::Record(CHiveState& hive, COp op) {
    Apply(hive.hiveView, op);
    hive.arrPending.push_back(std::move(op));
    // A change made with no key open (directly on a root) has no close to wait for.
    if (hive.nOpenHandles == 0)
        Flush(hive);
}

LSTATUS CRegistryStore::Flush(CHiveState& hive) {
    if (hive.arrPending.empty())
        return ERROR_SUCCESS;
    if (int err = CRegFile::EnsureFolder(CRegFile::FolderOf(hive.strFile)))
        return StatusFromErrno(err);
    int lockFd = -1;
    if (int err = CRegFile::Lock(hive.strFile, lockFd))
        return StatusFromErrno(err);

    // Under the lock, start again from the file as it is now: another process
    // may have replaced it since this one last read it.
    std::string text;
    CFileStamp stamp;
    int err = CRegFile::ReadText(hive.strFile, text, stamp);
    if (err != 0 && err != ENOENT) {
        CRegFile::Unlock(lockFd);
        return StatusFromErrno(err);
    }
    CRegHive disk(hive.strHiveName);
    if (err == 0 && !IsBlankText(text)) {
        CRegHive::CParseReport report;
        disk = CRegHive::FromRegText(hive.strHiveName, text, report);
        if (!report.IsClean()) {
            std::string aside;
            if (int copyErr = CRegFile::KeepCopyAside(hive.strFile, aside)) {
                std::fprintf(stderr,
                             "harvex: the registry file %s is damaged and no copy of it could be kept (%s); "
                             "it is left as it is and the changes are not saved\n",
                             hive.strFile.c_str(), std::strerror(copyErr));
                CRegFile::Unlock(lockFd);
                return ERROR_BADDB;
            }
            std::fprintf(stderr,
                         "harvex: the damaged registry file %s was kept as %s before being rewritten\n",
                         hive.strFile.c_str(), aside.c_str());
        }
    }
    for (const COp& op : hive.arrPending)
        Apply(disk, op);
    // What writers killed before their rename left behind goes now, under the lock.
    CRegFile::RemoveStaleTemporaries(hive.strFile);

    CFileStamp written;
    err = CRegFile::WriteAtomically(hive.strFile, disk.ToRegText(), written);
    CRegFile::Unlock(lockFd);
    if (err)
        return StatusFromErrno(err);

    hive.arrPending.clear();
    hive.hiveView = std::move(disk);
    hive.stampDisk = written;
    hive.bLoaded = true;
    return ERROR_SUCCESS;
}

LSTATUS CRegistryStore::OpenKey(HKEY parent, const std::string& subKey, REGSAM access, bool create,
                                HKEY* result, std::uint32_t* disposition) {
    std::lock_guard lock(m_mutex);
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    CHiveState* hive = nullptr;
    std::string parentPath;
    REGSAM parentAccess = 0;
    if (LSTATUS status = Resolve(parent, hive, parentPath, parentAccess))
        return status;
    std::string sub;
    if (!CRegHive::NormalizePath(subKey, sub))
        return ERROR_BAD_PATHNAME;
    const std::string path = CRegHive::JoinPath(parentPath, sub);

    bool existed = hive->hiveView.HasKey(path);
    if (!existed) {
        if (!create)
            return ERROR_FILE_NOT_FOUND;
        if (!(parentAccess & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
    }
    HKEY handle = m_nNextHandle++;
    if (m_nNextHandle >= HKEY_CLASSES_ROOT)
        m_nNextHandle = 1;
    m_mapHandles[handle] = CHandle{hive, path, access};
    ++hive->nOpenHandles;
    if (!existed)
        Record(*hive, COp{COp::CREATE_KEY, path, "", 0, {}});
    if (disposition)
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = handle;
    return ERROR_SUCCESS;
}

LSTATUS CRegistryStore::QueryValue(HKEY key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                   std::uint32_t* size) {
    std::lock_guard lock(m_mutex);
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    CHiveState* hive = nullptr;
    std::string path;
    REGSAM access = 0;
    if (LSTATUS status = Resolve(key, hive, path, access))
        return status;
    if (!(access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    const CRegValue* value = hive->hiveView.FindValue(path, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const auto length = static_cast<std::uint32_t>(value->arrData.size());
    if (type)
        *type = value->nType;
    if (!data) {
        if (size)
            *size = length;
        return ERROR_SUCCESS;
    }
    if (*size < length) {
        *size = length;
        return ERROR_MORE_DATA;
    }
    if (length)
        std::memcpy(data, value->arrData.data(), length);
    *size = length;
    return ERROR_SUCCESS;
}

LSTATUS CRegistryStore::SetValue(HKEY key, const std::string& name, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) {
    std::lock_guard lock(m_mutex);
    if (!data && size)
        return ERROR_INVALID_PARAMETER;
    if (!ValidValueName(name))
        return ERROR_INVALID_PARAMETER;
    CHiveState* hive = nullptr;
    std::string path;
    REGSAM access = 0;
    if (LSTATUS status = Resolve(key, hive, path, access))
        return status;
    if (!(access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    std::vector<std::uint8_t> bytes(data, data + size);
    Record(*hive, COp{COp::SET_VALUE, path, name, type, std::move(bytes)});
    return ERROR_SUCCESS;
}

LSTATUS CRegistryStore::DeleteValue(HKEY key, const std::string& name) {
    std::lock_guard lock(m_mutex);
    CHiveState* hive = nullptr;
    std::string path;
    REGSAM access = 0;
    if (LSTATUS status = Resolve(key, hive, path, access))
        return status;
    if (!(access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (!hive->hiveView.FindValue(path, name))
        return ERROR_FILE_NOT_FOUND;
    Record(*hive, COp{COp::DELETE_VALUE, path, name, 0, {}});
    return ERROR_SUCCESS;
}

LSTATUS CRegistryStore::DeleteKey(HKEY parent, const std::string& subKey) {
    std::lock_guard lock(m_mutex);
    CHiveState* hive = nullptr;
    std::string parentPath;
    REGSAM access = 0;
    if (LSTATUS status = Resolve(parent, hive, parentPath, access))
        return status;
    std::string sub;
    if (!CRegHive::NormalizePath(subKey, sub))
        return ERROR_BAD_PATHNAME;
    if (sub.empty())
        return ERROR_INVALID_PARAMETER;
    const std::string path = CRegHive::JoinPath(parentPath, sub);
    if (!hive->hiveView.HasKey(path))
        return ERROR_FILE_NOT_FOUND;
    // As in the registry: a key with sub-keys stays, and so do the hive's own keys.
    if (hive->hiveView.IsProtectedKey(path) || hive->hiveView.HasSubKeys(path))
        return ERROR_ACCESS_DENIED;
    Record(*hive, COp{COp::DELETE_KEY, path, "", 0, {}});
    return ERROR_SUCCESS;
}

LSTATUS CRegistryStore::FlushKey(HKEY key) {
    std::lock_guard lock(m_mutex);
    CHiveState* hive = nullptr;
    if (HiveNameOf(key)) {
        hive = HiveFor(key);
    } else {
        auto it = m_mapHandles.find(key);
        if (it == m_mapHandles.end())
            return ERROR_INVALID_HANDLE;
        hive = it->second.pHive;
    }
    return Flush(*hive);
}

LSTATUS CRegistryStore::CloseKey(HKEY key) {
    std::lock_guard lock(m_mutex);
    if (HiveNameOf(key))
        return ERROR_SUCCESS;
    auto it = m_mapHandles.find(key);
    if (it == m_mapHandles.end())
        return ERROR_INVALID_HANDLE;
    CHiveState* hive = it->second.pHive;
    m_mapHandles.erase(it);
    if (--hive->nOpenHandles > 0)
        return ERROR_SUCCESS;
    return Flush(*hive);
}

LSTATUS CRegistryStore::FlushAll() {
    std::lock_guard lock(m_mutex);
    LSTATUS result = ERROR_SUCCESS;
    for (auto& [file, hive] : m_mapHives) {
        if (LSTATUS status = Flush(*hive))
            result = status;
    }
    return result;
}
