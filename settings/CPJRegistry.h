#pragma once
// CPJRegistry moves single values between the registry store and program
// variables below the application key HKEY_CURRENT_USER\software\Morvane\Harvex.
// The direction is fixed at construction: a reading object only reads, a
// writing object only writes, so one sequence of Exchange calls serves both
// for loading and for saving. Made on the stack for one pass and destroyed
// after it; the destructor flushes (when something was written) and closes.
//
// GUI thread only; objects are never shared. Nothing throws and nothing is
// shown: a failed read leaves the variable as it was (so the caller's default
// survives), a failed write returns the registry error code.

#include <QDateTime>
#include <string>

#include "platform/registry/RegistryTypes.h"

class CPJRegistry {
public:
    explicit CPJRegistry(bool readMode);
    virtual ~CPJRegistry();
    CPJRegistry(const CPJRegistry&) = delete;
    CPJRegistry& operator=(const CPJRegistry&) = delete;

    // Flushes and closes what is open, then opens the application key under
    // `root`; true when it is open. The current key is none afterwards.
    bool ChangeRoot(HKEY root);
    // Makes `path` (below the application key) the current key, creating it
    // when missing, also in read mode. When that fails the application key
    // itself becomes the current key.
    void OpenSubKey(const std::string& path);

    // REG_DWORD; a read assigns only a stored REG_DWORD.
    LSTATUS ExchangeDword(const std::string& name, int& value);
    // REG_SZ; a read assigns only a stored REG_SZ, cut at its first NUL.
    LSTATUS ExchangeString(const std::string& name, std::string& value);
    // A date-time as text "MM/DD/YYYY hh:mm:ss" (local time); "Invalid DateTime"
    // for an invalid one. A read assigns only a text that parses; it returns
    // the code of the string read, so an unparsable text still gives 0.
    LSTATUS ExchangeDateTime(const std::string& name, QDateTime& value);

    // The text form of a date-time, and its parse with the same fixed format,
    // whatever the user's locale ("%m/%d/%Y %H:%M:%S"; one-digit fields accepted).
    static std::string FormatDateTime(const QDateTime& value);
    static bool ParseDateTime(const std::string& text, QDateTime& value);

    bool IsReadMode() const { return m_bReadMode != 0; }
    const std::string& SubKeyPath() const { return m_strSubKeyPath; }
    bool HasAppKey() const { return m_hAppKey != 0; }

    static constexpr REGSAM ACCESS = KEY_READ | KEY_WRITE;  // 0x2001F, also when reading

private:
    void OpenAppKey();
    void CloseCurrentKey();

    int m_bReadMode;
    std::string m_strSubKeyPath;
    HKEY m_hRootKey;
    HKEY m_hAppKey = 0;
    HKEY m_hCurrentKey = 0;
    int m_bWritten = 0;
    std::string m_strMaker;
    std::string m_strProduct;
};
