#pragma once
// Adding items: every source (drop, "Add files", "Add folder", the command
// line and a hand-over) ends in AddItems, which classifies each path as a
// folder, ZIP or RAR item, rejects what is unacceptable or already listed,
// answers the status line text for the outcome, and appends the accepted
// paths as new rows (InsertPendingItems). Adding is allowed while the list is
// processed; new rows go to the end.
//
// Threads: GUI thread only. Ownership: works on the caller's job list and
// output folders, which must outlive it. Nothing is shown from here: the
// outcome's status text, colour and time come back as data.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CJobList.h"
#include "engine/COutputFolders.h"

// One accepted path waiting to become a row.
struct DropItemInfo {
    std::string strName;  // the part after the last '/'
    std::string strPath;  // the full path as received
    std::string strType;  // "folder", "zip" or "rar"
    int nPreset = -1;     // preset index, -1 for none (only the command line sets one)
    bool operator==(const DropItemInfo&) const = default;
};

// A path handed to AddItems with the preset it is added with.
struct CAddCandidate {
    std::string strPath;
    int nPreset = -1;
};

class CItemAdder {
public:
    CItemAdder(CJobList& list, COutputFolders& output) : m_list(list), m_output(output) {}

    // The platform's path limit: a longer path is refused whole, never cut.
    static constexpr size_t MAX_PATH_BYTES = 4095;

    static constexpr const char* TEXT_UNACCEPTABLE = " Harvex only accepts folders, zip and rar files";
    static constexpr const char* TEXT_ALREADY_LISTED = " Already in list";
    static constexpr const char* TEXT_NOTHING_NEW =
        " All items were either unacceptable files, or already present in list";
    static constexpr const char* ADD_FILES_FILTER = "Zip and rar files|*.zip;*.rar;*.000;*.001||";

    // "folder", "zip", "rar", or "" for an unacceptable path.
    static std::string Classify(const std::string& strPath);

    // What became of one candidate. Accepted ones are inserted whenever any
    // candidate is accepted (the outcome rule inserts unless none is).
    enum class ECandidate { Accepted, Unacceptable, TooLong, Duplicate };

    struct CResult {
        std::vector<ECandidate> arrCandidates;  // one per candidate, in order
        int nTotal = 0;
        int nUnacceptable = 0;  // includes paths refused for their length
        int nDuplicate = 0;
        int nInserted = 0;
        std::string strStatus;          // "" when nothing is to be shown
        std::uint32_t nBackground = 0;  // 0xRRGGBB of the status text's background
        int nShowMs = 0;
    };
    // Classifies and filters, then inserts when the outcome allows it.
    CResult AddItems(const std::vector<CAddCandidate>& arrCandidates);
    // The same for paths without a preset (drop, "Add files", "Add folder").
    CResult AddPaths(const std::vector<std::string>& arrPaths);
    // The command-line source: the paths of arrCmdLine with the preset chosen
    // by the selectors before them (a selector beyond the preset list chooses
    // none). Empties arrCmdLine and clears bCmdLinePending; bHadPreset tells
    // the caller to close the secondary windows and post UWM_AUTO_START.
    CResult AddCommandLineItems(std::vector<std::string>& arrCmdLine, bool& bCmdLinePending,
                                bool& bHadPreset);
    // "Add folder": remembers the chosen folder for the next browse, then adds it.
    CResult AddChosenFolder(const std::string& strFolder);
    const std::string& LastAddFolder() const { return m_strLastAddFolder; }

    // Creates the rows and records of the pending entries, in order.
    void InsertPendingItems();
    const std::vector<DropItemInfo>& Pending() const { return m_arrPending; }

private:
    CJobList& m_list;
    COutputFolders& m_output;
    std::vector<DropItemInfo> m_arrPending;
    std::string m_strLastAddFolder;
};
