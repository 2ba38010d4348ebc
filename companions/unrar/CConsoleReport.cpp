#include "companions/unrar/CConsoleReport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "companions/unrar/UnrarContract.h"

namespace {

std::string Padded(const char* pLabel, const std::string& strName) {
    std::string s = std::string(pLabel) + strName;
    if (s.size() < size_t(unrar::ENTRY_FIELD_COLUMN)) {
        s.append(size_t(unrar::ENTRY_FIELD_COLUMN) - s.size(), ' ');
    } else {
        s += ' ';
    }
    return s;
}

std::string PercentField(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%3d%%", n);
    return buf;
}

}  // namespace

void CConsoleReport::VolumeStart(const std::string& strPath, bool bTest) {
    bool bWasOpen = bEntryOpen;
    if (bWasOpen) {
        Put("\n");
    }
    Put("\n");
    Put(bTest ? unrar::TEXT_TESTING_ARCHIVE : unrar::TEXT_EXTRACTING_FROM);
    Put(strPath);
    Put("\n\n");
    if (bWasOpen) {
        Put(Padded(unrar::TEXT_CONTINUING, strEntryName));
        bFieldShown = false;
        if (bPercent && nLastPercent >= 0) {
            Put(PercentField(nLastPercent));
            bFieldShown = true;
        }
    }
    Flush();
}

void CConsoleReport::EntryStart(const char* pLabel, const std::string& strName) {
    CloseOpenLine();
    strEntryName = strName;
    Put(Padded(pLabel, strName));
    bEntryOpen = true;
    bFieldShown = false;
    if (bPercent && nLastPercent >= 0) {
        Put(PercentField(nLastPercent));
        bFieldShown = true;
    }
    Flush();
}

void CConsoleReport::Progress(int nPercent) {
    if (nPercent > 99) {
        nPercent = 99;  // the caller reads two digits before "%"; "100%" would read as 0
    }
    if (nPercent < 0 || nPercent == nLastPercent) {
        return;
    }
    nLastPercent = nPercent;
    if (!bPercent || !bEntryOpen) {
        return;
    }
    if (bFieldShown) {
        Put("\b\b\b\b");
    }
    Put(PercentField(nPercent));
    bFieldShown = true;
    Flush();
}

void CConsoleReport::EntryOk() {
    if (!bEntryOpen) {
        return;
    }
    if (bFieldShown) {
        Put("\b\b\b\b");
    }
    Put(unrar::TEXT_OK_FIELD);
    Put("\n");
    ++nEntriesOk;
    bEntryOpen = false;
    bFieldShown = false;
    Flush();
}

void CConsoleReport::Line(const std::string& strText) {
    CloseOpenLine();
    Put(strText);
    Put("\n");
    Flush();
}

void CConsoleReport::Prompt(const std::string& strText) {
    CloseOpenLine();
    Put(strText);
    Flush();
}

void CConsoleReport::CloseOpenLine() {
    if (bEntryOpen) {
        Put("\n");
        bEntryOpen = false;
        bFieldShown = false;
    }
}

void CConsoleReport::Flush() {
    size_t done = 0;
    while (done < strBuffer.size()) {
        ssize_t n = ::write(nFd, strBuffer.data() + done, strBuffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;  // nobody reads the output any more; the work goes on
        }
        done += size_t(n);
    }
    strBuffer.clear();
}
