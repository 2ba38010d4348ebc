#pragma once
// harvex-batch's run: turns the paths into job-list items, applies the options
// (from the command line, else from the settings), runs the processing driver on
// its event loop and reports what happened. Runs on the main thread.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "batch/CBatchOptions.h"
#include "engine/CDriver.h"
#include "engine/CJobList.h"
#include "engine/COutputFolders.h"
#include "settings/CPresets.h"
#include "settings/CSettings.h"

struct CUnzipContext;

class CBatchRunner : public QObject {
    Q_OBJECT
public:
    CBatchRunner(CBatchOptions options, CSettings settings, std::vector<CPresets> arrPresets,
                 std::ostream& out, std::ostream& err);
    ~CBatchRunner() override;

    // Where the console RAR program and the unzip library are.
    std::string strUnrarExe;
    std::string strUnzipLibrary;
    // Answers the password prompt (a terminal prompt in the program; tests give their own).
    CPasswordPrompt* pPasswordPrompt = nullptr;
    // Show the per-item progress line (a terminal on standard error).
    bool bProgressLine = false;

    // Adds the items and runs the driver to the end. Answers the exit status: 0 when every
    // item ends "Completed OK", 1 otherwise.
    int Run();

    CJobList& List() { return m_list; }
    CDriver& Driver() { return *m_pDriver; }

    // The JSON document of the run (also printed with --json).
    std::string JsonReport();

private:
    void AddPaths();
    // Creates --output DIR with its parents when an item will extract; false (with a
    // message) when that fails.
    bool PrepareOutputFolder();
    void PrintRowResult(int nRow);
    void PrintReports();
    void ShowProgress();

    CBatchOptions m_options;
    CSettings m_settings;
    std::vector<CPresets> m_arrPresets;
    std::ostream& m_out;
    std::ostream& m_err;
    CJobList m_list;
    COutputFolders m_output;
    std::unique_ptr<CDriver> m_pDriver;
    std::unique_ptr<CUnzipContext> m_pUnzip;
    std::vector<std::string> m_arrRejected;
    std::vector<std::string> m_arrOutputs;  // resolved output folder per record index
    bool m_bProgressShown = false;
};
