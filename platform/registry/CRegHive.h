#pragma once
// One hive of the registry store held in memory: keys addressed by their path
// below the hive ('\'-separated, matched without regard to ASCII case, kept in
// the case they were created with), each holding named, typed values. The hive
// converts itself to and from the ".reg" export text ("Windows Registry Editor
// Version 5.00"), which is what the store keeps on disk.
//
// Plain data, no locking: the store guards every hive it holds.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct CRegValue {
    std::string strName;  // "" is the key's default value
    std::uint32_t nType = 0;
    std::vector<std::uint8_t> arrData;
};

struct CRegKeyNode {
    std::string strPath;                         // below the hive, original case; "" = the hive's root
    std::map<std::string, CRegValue> mapValues;  // by ASCII-lower-cased name
};

class CRegHive {
public:
    explicit CRegHive(std::string hiveName = "");

    const std::string& HiveName() const { return m_strHiveName; }

    // Path helpers. A path is valid when it has no empty part, no leading '\'
    // and no line break; one trailing '\' is dropped.
    static bool NormalizePath(const std::string& path, std::string& normalized);
    static std::string JoinPath(const std::string& parent, const std::string& child);
    static std::string Lower(const std::string& text);

    const CRegKeyNode* FindKey(const std::string& path) const;
    bool HasKey(const std::string& path) const { return FindKey(path) != nullptr; }
    bool HasSubKeys(const std::string& path) const;
    // Creates the key and every missing ancestor; returns true when it was new.
    bool CreateKey(const std::string& path);
    // Removes a key without sub-keys; false when missing, protected or not a leaf.
    bool DeleteKey(const std::string& path);
    // Keys every hive of this name always has (the registry's own "Software" and "CLSID").
    bool IsProtectedKey(const std::string& path) const;

    const CRegValue* FindValue(const std::string& keyPath, const std::string& name) const;
    void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    bool DeleteValue(const std::string& keyPath, const std::string& name);

    const std::map<std::string, CRegKeyNode>& Keys() const { return m_mapKeys; }

    // The export text of the whole hive.
    std::string ToRegText() const;

    // What reading an export text found. A foreign text (no export header, or
    // keys of another hive) and a damaged one (lines that do not parse) are
    // both reported; the lines that did parse are kept.
    struct CParseReport {
        bool bForeign = false;
        std::vector<std::string> arrProblems;  // "line N: why"
        bool IsClean() const { return !bForeign && arrProblems.empty(); }
    };
    static CRegHive FromRegText(const std::string& hiveName, const std::string& text, CParseReport& report);

    // The export line(s) of one value: `"name"=data`, long hex data continued
    // with ",\" line ends as the export format does (exposed for tests).
    static std::string FormatValueLine(const CRegValue& value);
    static std::string QuoteText(const std::string& text);

private:
    void SeedProtectedKeys();
    void DeleteTree(const std::string& path);
    CRegKeyNode& EnsureKey(const std::string& path);

    std::string m_strHiveName;
    std::map<std::string, CRegKeyNode> m_mapKeys;  // by ASCII-lower-cased path
};
