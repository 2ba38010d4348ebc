#include "platform/registry/CRegHive.h"

#include <cstdio>

#include "platform/registry/RegistryTypes.h"

namespace {

const char* const REG_HEADER = "Windows Registry Editor Version 5.00";

// Every hive has these keys from the start, as the registry it stands in for does.
const char* ProtectedKeyFor(const std::string& lowerHive) {
    if (lowerHive == "hkey_current_user")
        return "Software";
    if (lowerHive == "hkey_classes_root")
        return "CLSID";
    return nullptr;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string TrimLeft(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string TrimRight(const std::string& s) {
    size_t n = s.size();
    while (n > 0 && (IsBlank(s[n - 1]) || s[n - 1] == '\r'))
        --n;
    return s.substr(0, n);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(const std::string& s, size_t pos, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (pos + i >= s.size())
            return false;
        char c = s[pos + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// Reads a quoted text starting at s[pos] == '"'. Only \\ and \" are escapes.
bool ParseQuoted(const std::string& s, size_t& pos, std::string& out, std::string& why) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
                out += s[pos + 1];
                pos += 2;
                continue;
            }
            why = "a backslash that escapes neither \\ nor \"";
            return false;
        }
        out += c;
        ++pos;
    }
    why = "a text without its closing quote";
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& out) {
    out.clear();
    std::string t = TrimRight(TrimLeft(text));
    if (t.empty())
        return true;
    size_t pos = 0;
    while (true) {
        size_t comma = t.find(',', pos);
        std::string token =
            TrimRight(TrimLeft(t.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos)));
        if (token.empty() || token.size() > 2)
            return false;
        int value = 0;
        for (char c : token) {
            int d = HexDigit(c);
            if (d < 0)
                return false;
            value = value * 16 + d;
        }
        out.push_back(static_cast<std::uint8_t>(value));
        if (comma == std::string::npos)
            return true;
        pos = comma + 1;
    }
}

bool IsPlainText(const CRegValue& value) {
    const auto& d = value.arrData;
    if (d.empty() || d.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < d.size(); ++i) {
        if (d[i] == 0 || d[i] == '\n' || d[i] == '\r')
            return false;
    }
    return true;
}

}  // namespace

CRegHive::CRegHive(std::string hiveName) : m_strHiveName(std::move(hiveName)) {
    m_mapKeys[""].strPath = "";
    SeedProtectedKeys();
}

void CRegHive::SeedProtectedKeys() {
    if (const char* key = ProtectedKeyFor(Lower(m_strHiveName))) {
        CreateKey(key);
    }
}

bool CRegHive::IsProtectedKey(const std::string& path) const {
    const char* key = ProtectedKeyFor(Lower(m_strHiveName));
    return path.empty() || (key && Lower(path) == Lower(key));
}

std::string CRegHive::Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool CRegHive::NormalizePath(const std::string& path, std::string& normalized) {
    std::string p = path;
    if (!p.empty() && p.back() == '\\')
        p.pop_back();
    if (!p.empty() && p.front() == '\\')
        return false;
    if (p.find('\n') != std::string::npos || p.find('\r') != std::string::npos)
        return false;
    if (p.find("\\\\") != std::string::npos)
        return false;
    if (!p.empty() && p.back() == '\\')
        return false;
    normalized = p;
    return true;
}

std::string CRegHive::JoinPath(const std::string& parent, const std::string& child) {
    if (parent.empty())
        return child;
    if (child.empty())
        return parent;
    return parent + "\\" + child;
}

const CRegKeyNode* CRegHive::FindKey(const std::string& path) const {
    auto it = m_mapKeys.find(Lower(path));
    return it == m_mapKeys.end() ? nullptr : &it->second;
}

bool CRegHive::HasSubKeys(const std::string& path) const {
    if (path.empty())
        return m_mapKeys.size() > 1;
    // Every path that begins with "parent\" sorts in one run starting here.
    const std::string prefix = Lower(path) + "\\";
    auto it = m_mapKeys.lower_bound(prefix);
    return it != m_mapKeys.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

CRegKeyNode& CRegHive::EnsureKey(const std::string& path) {
    // A new key takes its parent's spelling, whatever case the caller used for the parent.
    std::string stored;
    size_t pos = 0;
    while (true) {
        size_t sep = path.find('\\', pos);
        std::string part = path.substr(pos, sep == std::string::npos ? std::string::npos : sep - pos);
        auto [it, inserted] = m_mapKeys.try_emplace(Lower(path.substr(0, sep)));
        if (inserted)
            it->second.strPath = JoinPath(stored, part);
        stored = it->second.strPath;
        if (sep == std::string::npos)
            return it->second;
        pos = sep + 1;
    }
}

bool CRegHive::CreateKey(const std::string& path) {
    if (path.empty())
        return false;
    if (HasKey(path))
        return false;
    EnsureKey(path);
    return true;
}

bool CRegHive::DeleteKey(const std::string& path) {
    if (IsProtectedKey(path) || !HasKey(path) || HasSubKeys(path))
        return false;
    m_mapKeys.erase(Lower(path));
    return true;
}

void CRegHive::DeleteTree(const std::string& path) {
    std::string lower = Lower(path);
    std::string prefix = lower + "\\";
    for (auto it = m_mapKeys.begin(); it != m_mapKeys.end();) {
        if (it->first == lower || it->first.compare(0, prefix.size(), prefix) == 0) {
            it = m_mapKeys.erase(it);
        } else {
            ++it;
        }
    }
    m_mapKeys[""].strPath = "";
    SeedProtectedKeys();
}

const CRegValue* CRegHive::FindValue(const std::string& keyPath, const std::string& name) const {
    const CRegKeyNode* key = FindKey(keyPath);
    if (!key)
        return nullptr;
    auto it = key->mapValues.find(Lower(name));
    return it == key->mapValues.end() ? nullptr : &it->second;
}

void CRegHive::SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                        std::vector<std::uint8_t> data) {
    CRegKeyNode& key = EnsureKey(keyPath);
    CRegValue& value = key.mapValues[Lower(name)];
    // The registry keeps the name's case from when the value was first made.
    if (value.strName.empty())
        value.strName = name;
    value.nType = type;
    value.arrData = std::move(data);
}

bool CRegHive::DeleteValue(const std::string& keyPath, const std::string& name) {
    auto it = m_mapKeys.find(Lower(keyPath));
    if (it == m_mapKeys.end())
        return false;
    return it->second.mapValues.erase(Lower(name)) > 0;
}

std::string CRegHive::QuoteText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string CRegHive::FormatValueLine(const CRegValue& value) {
    std::string line = value.strName.empty() ? "@=" : QuoteText(value.strName) + "=";
    if (value.nType == REG_SZ && IsPlainText(value)) {
        return line + QuoteText(std::string(value.arrData.begin(), value.arrData.end() - 1));
    }
    if (value.nType == REG_DWORD && value.arrData.size() == 4) {
        std::uint32_t n = value.arrData[0] | (value.arrData[1] << 8) | (value.arrData[2] << 16) |
                          (static_cast<std::uint32_t>(value.arrData[3]) << 24);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%08x", n);
        return line + "dword:" + buffer;
    }
    if (value.nType == REG_BINARY) {
        line += "hex:";
    } else {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.nType);
        line += buffer;
    }
    // Continued lines end in ",\" and start with two blanks, at most 80 columns wide.
    std::string out;
    const size_t n = value.arrData.size();
    for (size_t i = 0; i < n; ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, "%02x", value.arrData[i]);
        std::string item = piece;
        if (i + 1 < n)
            item += ',';
        if (line.size() + item.size() > 78 && i > 0) {
            out += line + "\\\n";
            line = "  ";
        }
        line += item;
    }
    return out + line;
}

std::string CRegHive::ToRegText() const {
    std::string out = std::string(REG_HEADER) + "\n\n";
    for (const auto& [lower, key] : m_mapKeys) {
        if (key.strPath.empty() && key.mapValues.empty())
            continue;
        out += "[" + JoinPath(m_strHiveName, key.strPath) + "]\n";
        for (const auto& [lowerName, value] : key.mapValues) {
            out += FormatValueLine(value) + "\n";
        }
        out += "\n";
    }
    return out;
}

CRegHive CRegHive::FromRegText(const std::string& hiveName, const std::string& text, CParseReport& report) {
    CRegHive hive(hiveName);
    report = CParseReport{};

    std::vector<std::string> lines;
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            if (start < text.size())
                lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    size_t i = 0;
    while (i < lines.size() && TrimRight(TrimLeft(lines[i])).empty())
        ++i;
    if (i == lines.size() || TrimRight(TrimLeft(lines[i])) != REG_HEADER) {
        report.bForeign = true;
        report.arrProblems.push_back("no \"" + std::string(REG_HEADER) + "\" header");
        return hive;
    }
    ++i;

    const std::string lowerHive = Lower(hiveName);
    bool inKey = false;     // a key line was seen
    bool keyValid = false;  // ... and its values are to be kept
    std::string keyPath;
    auto problem = [&](size_t lineIndex, const std::string& why) {
        report.arrProblems.push_back("line " + std::to_string(lineIndex + 1) + ": " + why);
    };

    for (; i < lines.size(); ++i) {
        const size_t lineIndex = i;
        std::string line = TrimRight(TrimLeft(lines[i]));
        if (line.empty() || line[0] == ';')
            continue;

        if (line[0] == '[') {
            inKey = true;
            keyValid = false;
            size_t close = line.rfind(']');
            if (close == std::string::npos || close != line.size() - 1) {
                problem(lineIndex, "a key line without its closing bracket");
                continue;
            }
            std::string inner = line.substr(1, close - 1);
            bool remove = !inner.empty() && inner[0] == '-';
            if (remove)
                inner.erase(0, 1);
            size_t sep = inner.find('\\');
            std::string hivePart = inner.substr(0, sep);
            std::string rest = sep == std::string::npos ? "" : inner.substr(sep + 1);
            if (Lower(hivePart) != lowerHive) {
                report.bForeign = true;
                problem(lineIndex, "a key of another hive");
                continue;
            }
            std::string normalized;
            if ((sep != std::string::npos && rest.empty()) || !NormalizePath(rest, normalized)) {
                problem(lineIndex, "a malformed key path");
                continue;
            }
            if (remove) {
                if (!normalized.empty())
                    hive.DeleteTree(normalized);
                continue;
            }
            hive.EnsureKey(normalized);
            keyPath = normalized;
            keyValid = true;
            continue;
        }

        if (line[0] != '"' && line[0] != '@') {
            problem(lineIndex, "neither a key nor a value");
            continue;
        }
        if (!inKey) {
            problem(lineIndex, "a value before the first key");
            continue;
        }

        std::string name;
        std::string why;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, name, why)) {
            problem(lineIndex, why);
            continue;
        }
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos >= line.size() || line[pos] != '=') {
            problem(lineIndex, "a value name without '='");
            continue;
        }
        ++pos;
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        std::string data = line.substr(pos);

        // Hex data may go on over several lines, each but the last ending in '\'.
        if (StartsWithNoCase(data, 0, "hex")) {
            while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                data.pop_back();
                data += TrimRight(TrimLeft(lines[++i]));
            }
            if (!data.empty() && data.back() == '\\') {
                problem(lineIndex, "hex data continued past the end of the file");
                continue;
            }
        }
        if (!keyValid)
            continue;  // the key line was already reported

        if (data == "-") {
            hive.DeleteValue(keyPath, name);
            continue;
        }
        if (!data.empty() && data[0] == '"') {
            std::string textValue;
            size_t p = 0;
            if (!ParseQuoted(data, p, textValue, why)) {
                problem(lineIndex, why);
                continue;
            }
            if (p != data.size()) {
                problem(lineIndex, "text after the closing quote");
                continue;
            }
            std::vector<std::uint8_t> bytes(textValue.begin(), textValue.end());
            bytes.push_back(0);
            hive.SetValue(keyPath, name, REG_SZ, std::move(bytes));
            continue;
        }
        if (StartsWithNoCase(data, 0, "dword:")) {
            std::string digits = data.substr(6);
            std::uint32_t n = 0;
            bool ok = !digits.empty() && digits.size() <= 8;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0)
                    ok = false;
                n = n * 16 + static_cast<std::uint32_t>(d < 0 ? 0 : d);
            }
            if (!ok) {
                problem(lineIndex, "a dword that is not 1 to 8 hex digits");
                continue;
            }
            hive.SetValue(keyPath, name, REG_DWORD,
                          {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                           static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)});
            continue;
        }
        if (StartsWithNoCase(data, 0, "hex")) {
            std::uint32_t type = REG_BINARY;
            size_t p = 3;
            if (p < data.size() && data[p] == '(') {
                size_t close = data.find(')', p);
                std::string digits = close == std::string::npos ? "" : data.substr(p + 1, close - p - 1);
                bool ok = !digits.empty() && digits.size() <= 8;
                type = 0;
                for (char c : digits) {
                    int d = HexDigit(c);
                    if (d < 0)
                        ok = false;
                    type = type * 16 + static_cast<std::uint32_t>(d < 0 ? 0 : d);
                }
                if (!ok) {
                    problem(lineIndex, "a malformed hex(type)");
                    continue;
                }
                p = close + 1;
            }
            std::vector<std::uint8_t> bytes;
            if (p >= data.size() || data[p] != ':' || !ParseHexBytes(data.substr(p + 1), bytes)) {
                problem(lineIndex, "malformed hex data");
                continue;
            }
            hive.SetValue(keyPath, name, type, std::move(bytes));
            continue;
        }
        problem(lineIndex, "a value of unknown form");
    }
    return hive;
}
