#pragma once
// Error lines of the item being extracted, and how an extraction worker tells the driver
// it has finished. Shared by the RAR worker (RarExtract.h), the ZIP worker
// (UnzipExtract.h) and the password step (PasswordStep.h).

#include <string>
#include <vector>

class QObject;

// Appends strText followed by nLineBreaks times "\r\n" to arrErrors.
void AddReportLine(std::vector<std::string>& arrErrors, const std::string& strText, int nLineBreaks);

// Appends strText unless an equal text (exact comparison) is already there.
void AddReportText(std::vector<std::string>& arrErrors, const std::string& strText);

// The display form of an archive path in error lines: the path relative to the item's
// input folder when the path lies inside it, otherwise the whole path.
std::string PathInInput(const std::string& strPath, const std::string& strInputPath);

// How an extraction worker ended, and so which message it posts to the driver:
//   FileDone       -> UWM_FILE_DONE (0, 0): the entry is handled (error lines may be recorded)
//   PasswordNeeded -> UWM_PASSWORD_NEEDED (0, 0): the archive wants a (different) password
//   Killed         -> UWM_ITEM_DONE (3, 0): the kill request ended the run
enum class EWorkerOutcome { FileDone, PasswordNeeded, Killed };

// Any thread. Posts the outcome's message to pTarget (the driver's object).
void PostWorkerOutcome(QObject* pTarget, EWorkerOutcome nOutcome);
