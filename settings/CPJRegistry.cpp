#include "settings/CPJRegistry.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/registry/Registry.h"

CPJRegistry::CPJRegistry(bool readMode)
    : m_bReadMode(readMode ? 1 : 0),
      m_hRootKey(HKEY_CURRENT_USER),
      m_strMaker("Morvane"),
      m_strProduct("Harvex") {
    ChangeRoot(HKEY_CURRENT_USER);
}

CPJRegistry::~CPJRegistry() {
    if (m_bWritten && m_hAppKey)
        RegFlushKey(m_hAppKey);
    CloseCurrentKey();
    if (m_hAppKey)
        RegCloseKey(m_hAppKey);
}

void CPJRegistry::CloseCurrentKey() {
    if (m_hCurrentKey && m_hCurrentKey != m_hAppKey)
        RegCloseKey(m_hCurrentKey);
    m_hCurrentKey = 0;
}

bool CPJRegistry::ChangeRoot(HKEY root) {
    if (m_bWritten && m_hAppKey)
        RegFlushKey(m_hAppKey);
    CloseCurrentKey();
    if (m_hAppKey)
        RegCloseKey(m_hAppKey);
    m_hAppKey = 0;
    m_hRootKey = root;
    OpenAppKey();
    m_hCurrentKey = 0;
    m_strSubKeyPath.clear();
    m_bWritten = 0;
    return m_hAppKey != 0;
}

void CPJRegistry::OpenAppKey() {
    // "software" is matched without regard to case; only the product key stays open.
    HKEY software = 0;
    if (RegOpenKeyEx(m_hRootKey, "software", ACCESS, &software) != ERROR_SUCCESS)
        return;
    HKEY maker = 0;
    if (RegCreateKeyEx(software, m_strMaker, ACCESS, &maker) == ERROR_SUCCESS) {
        HKEY product = 0;
        if (RegCreateKeyEx(maker, m_strProduct, ACCESS, &product) == ERROR_SUCCESS)
            m_hAppKey = product;
        RegCloseKey(maker);
    }
    RegCloseKey(software);
}

void CPJRegistry::OpenSubKey(const std::string& path) {
    CloseCurrentKey();
    m_strSubKeyPath = path;
    HKEY key = 0;
    if (m_hAppKey && RegCreateKeyEx(m_hAppKey, path, ACCESS, &key) == ERROR_SUCCESS && key) {
        m_hCurrentKey = key;
    } else {
        m_hCurrentKey = m_hAppKey;
    }
}

LSTATUS CPJRegistry::ExchangeDword(const std::string& name, int& value) {
    if (m_bReadMode) {
        std::uint8_t bytes[4] = {};
        std::uint32_t size = sizeof bytes;
        std::uint32_t type = REG_NONE;
        LSTATUS status = RegQueryValueEx(m_hCurrentKey, name, &type, bytes, &size);
        if (status == ERROR_SUCCESS && type == REG_DWORD && size == 4) {
            std::uint32_t n =
                bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
            value = static_cast<int>(n);
        }
        return status;
    }
    const auto n = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                   static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    m_bWritten = 1;
    return RegSetValueEx(m_hCurrentKey, name, REG_DWORD, bytes, 4);
}

LSTATUS CPJRegistry::ExchangeString(const std::string& name, std::string& value) {
    if (m_bReadMode) {
        std::uint32_t size = 0;
        std::uint32_t type = REG_NONE;
        LSTATUS status = RegQueryValueEx(m_hCurrentKey, name, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return status;
        std::vector<std::uint8_t> buffer(static_cast<size_t>(size) + 1, 0);
        status = RegQueryValueEx(m_hCurrentKey, name, &type, buffer.data(), &size);
        if (status == ERROR_SUCCESS && type == REG_SZ) {
            buffer[size] = 0;
            value.assign(reinterpret_cast<const char*>(buffer.data()));
        }
        return status;
    }
    const char* text = value.c_str();
    m_bWritten = 1;
    return RegSetValueEx(m_hCurrentKey, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text),
                         static_cast<std::uint32_t>(std::strlen(text) + 1));
}

LSTATUS CPJRegistry::ExchangeDateTime(const std::string& name, QDateTime& value) {
    if (m_bReadMode) {
        std::string text;
        LSTATUS status = ExchangeString(name, text);
        QDateTime parsed;
        if (status == ERROR_SUCCESS && ParseDateTime(text, parsed))
            value = parsed;
        return status;
    }
    std::string text = FormatDateTime(value);
    return ExchangeString(name, text);
}

std::string CPJRegistry::FormatDateTime(const QDateTime& value) {
    if (!value.isValid())
        return "Invalid DateTime";
    const QDateTime local = value.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", date.month(), date.day(),
                  date.year(), time.hour(), time.minute(), time.second());
    return buffer;
}

namespace {

// Reads 1..maxDigits decimal digits at text[pos].
bool ReadNumber(const std::string& text, size_t& pos, int minDigits, int maxDigits, int& number) {
    number = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits;
}

bool Expect(const std::string& text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

}  // namespace

bool CPJRegistry::ParseDateTime(const std::string& text, QDateTime& value) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    const std::string t = text.substr(begin, end - begin);
    size_t pos = 0;
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(t, pos, 1, 2, month) || !Expect(t, pos, '/') || !ReadNumber(t, pos, 1, 2, day) ||
        !Expect(t, pos, '/') || !ReadNumber(t, pos, 4, 4, year) || !Expect(t, pos, ' ') ||
        !ReadNumber(t, pos, 1, 2, hour) || !Expect(t, pos, ':') || !ReadNumber(t, pos, 1, 2, minute) ||
        !Expect(t, pos, ':') || !ReadNumber(t, pos, 1, 2, second) || pos != t.size()) {
        return false;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return false;
    QDateTime parsed(date, time);
    if (!parsed.isValid())
        return false;
    value = parsed;
    return true;
}
