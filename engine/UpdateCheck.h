#pragma once
// The rules of the update check that need no network and no window: reading the version
// file's first line, comparing dotted version numbers, and deciding whether the weekly
// silent check is due. Pure functions; any thread may call them.

#include <QDateTime>
#include <string>

namespace UpdateCheck {

// The longest first line that is still read as a version; anything longer is not a version.
inline constexpr int MAX_VERSION_LINE = 64;
// Days that must have passed (more than this many) before the silent check asks again.
inline constexpr int SILENT_CHECK_DAYS = 6;

enum class EVersionAnswer {
    Newer,     // the published version is strictly greater than ours
    NotNewer,  // equal or older
    Invalid    // the line is not a dotted version ("1", "1.4.3.2", at most 9 digits a part)
};

// The first line of the version file: everything before the first LF (a CR before it is
// white space and trimmed later). Bytes after the first MAX_VERSION_LINE + 2 are never
// looked at, so a huge line without a break answers a too-long (invalid) text.
std::string FirstLine(const std::string& strBody);

// Compares the published line with our own version numerically, part by part, after
// trimming white space at both ends; missing parts count as 0 (1.4.3.2.0 == 1.4.3.2).
EVersionAnswer CompareVersions(const std::string& strPublished, const std::string& strOwn);

// True only for a valid published version strictly greater than strOwn.
bool IsNewerVersion(const std::string& strPublished, const std::string& strOwn);

// Whole days from dtFrom to dtTo: the span rounded to the second (at half a second),
// then truncated to days. Negative when dtTo lies before dtFrom.
qint64 WholeDaysBetween(const QDateTime& dtFrom, const QDateTime& dtTo);

// The weekly silent check is made when it is switched on and more than SILENT_CHECK_DAYS
// whole days have passed since the last check (an invalid date counts as "just now").
bool IsSilentCheckDue(bool bCheckUpdates, const QDateTime& dtLastCheck, const QDateTime& dtNow);

}  // namespace UpdateCheck
