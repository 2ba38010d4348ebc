#pragma once
// The process's view of the file-backed registry. It hands out key handles,
// answers reads from the hive files (re-read whenever another process replaced
// one) and collects this process's changes as a list of operations. A flush
// replays that list, under the hive's lock, onto the file as it is on disk at
// that moment and replaces the file atomically, so concurrent writers merge
// value by value and the writer that flushes last wins where they overlap.
//
// Changes are flushed by RegFlushKey, when the process closes its last open
// handle of a hive, at once when a change is made with no handle open, and at
// exit. Any thread may call; one mutex serialises the calls.
//
// A damaged or foreign hive file is read as far as it parses, reported once on
// standard error, and kept under another name before it is first replaced.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry/CRegFile.h"
#include "platform/registry/CRegHive.h"
#include "platform/registry/RegistryTypes.h"

class CRegistryStore {
public:
    static CRegistryStore& Instance();
    ~CRegistryStore();

    LSTATUS OpenKey(HKEY parent, const std::string& subKey, REGSAM access, bool create, HKEY* result,
                    std::uint32_t* disposition);
    LSTATUS QueryValue(HKEY key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size);
    LSTATUS SetValue(HKEY key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                     std::uint32_t size);
    LSTATUS DeleteValue(HKEY key, const std::string& name);
    LSTATUS DeleteKey(HKEY parent, const std::string& subKey);
    LSTATUS FlushKey(HKEY key);
    LSTATUS CloseKey(HKEY key);
    LSTATUS FlushAll();

    std::string HiveFilePath(HKEY root) const;

private:
    CRegistryStore() = default;

    struct COp {
        enum Kind { CREATE_KEY, SET_VALUE, DELETE_VALUE, DELETE_KEY } nKind;
        std::string strPath;
        std::string strName;
        std::uint32_t nType = 0;
        std::vector<std::uint8_t> arrData;
    };
    struct CHiveState {
        std::string strFile;
        std::string strHiveName;
        bool bLoaded = false;
        CFileStamp stampDisk;         // the file version hiveView was built from
        CFileStamp stampWarned;       // the damaged version already reported
        CRegHive hiveView;            // the file's content with arrPending applied
        std::vector<COp> arrPending;  // this process's changes not yet on disk
        int nOpenHandles = 0;
    };
    struct CHandle {
        CHiveState* pHive = nullptr;
        std::string strPath;
        REGSAM nAccess = 0;
    };

    static const char* HiveNameOf(HKEY root);
    CHiveState* HiveFor(HKEY root);
    // Finds the hive and key path behind a handle and brings the hive up to date.
    LSTATUS Resolve(HKEY key, CHiveState*& hive, std::string& path, REGSAM& access);
    void Refresh(CHiveState& hive);
    void Record(CHiveState& hive, COp op);
    static void Apply(CRegHive& hive, const COp& op);
    LSTATUS Flush(CHiveState& hive);
    void ReportDamage(CHiveState& hive, const CFileStamp& stamp, const CRegHive::CParseReport& report,
                      int readError);

    mutable std::recursive_mutex m_mutex;
    std::map<std::string, std::unique_ptr<CHiveState>> m_mapHives;  // by file path
    std::map<HKEY, CHandle> m_mapHandles;
    HKEY m_nNextHandle = 1;
};
