#pragma once
// The command line of harvex-batch: the keep/test/clean-up switches (each with a
// "--no-" form; an unset one takes its value from the settings store as the main
// window's check boxes do), the output choice, the password options, a preset and
// the JSON switch. Pure parsing, no side effects.

#include <optional>
#include <string>
#include <vector>

struct CBatchOptions {
    std::optional<bool> bTest, bKeepFolder, bKeepSample, bKeepCovers, bKeepNfo, bKeepSubs, bKeepSubsFolder,
        bCleanUp;
    std::optional<std::string> strOutput;  // --output DIR
    bool bOutputToInput = false;           // --output-to-input
    std::optional<std::string> strPassword;
    bool bNoPasswordPrompt = false;
    int nPreset = 0;  // 1-based; 0 = none
    bool bJson = false;
    bool bHelp = false;
    bool bVersion = false;
    std::vector<std::string> arrPaths;
};

// Answers false with a message in strError for bad usage.
bool ParseBatchOptions(const std::vector<std::string>& arrArgs, CBatchOptions& options,
                       std::string& strError);

std::string BatchUsage();
