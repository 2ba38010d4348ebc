#pragma once
// Writes the program's console text in the fixed format of UnrarContract.h to one file
// descriptor, keeping track of an entry line that is still open (its status field not yet
// written) so that volume changes, progress and error lines land on lines of their own.
// Text is flushed at every line end and progress update. Single-threaded.

#include <string>

class CConsoleReport {
public:
    CConsoleReport(int fd, bool bPercent) : nFd(fd), bPercent(bPercent) {}
    ~CConsoleReport() { Flush(); }

    // "\nExtracting from <path>\n\n" (or "Testing archive"); an open entry line is ended
    // first and continued afterwards with "...         <name>".
    void VolumeStart(const std::string& strPath, bool bTest);
    // Opens an entry line: label + name, padded to the status field.
    void EntryStart(const char* pLabel, const std::string& strName);
    // Progress of the whole run, 0-100; printed as "\b\b\b\b 45%" with -idc (capped at 99).
    void Progress(int nPercent);
    // Ends the open entry line with "  OK".
    void EntryOk();
    // How many entry lines ended with "  OK".
    int EntriesOk() const { return nEntriesOk; }
    // Writes a complete line (a line feed is appended), ending an open entry line first.
    void Line(const std::string& strText);
    // Writes text without a line feed (the password prompt) and flushes.
    void Prompt(const std::string& strText);
    void Flush();

private:
    void Put(const std::string& s) { strBuffer += s; }
    void CloseOpenLine();

    int nFd;
    bool bPercent;
    std::string strBuffer;
    bool bEntryOpen = false;   // an entry line waits for its status field
    bool bFieldShown = false;  // its percentage field has been printed
    std::string strEntryName;
    int nLastPercent = -1;
    int nEntriesOk = 0;
};
