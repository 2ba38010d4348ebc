#pragma once
// The main window's option check boxes as a plain record: the options that
// apply to every item without a preset. The GUI keeps it current from its
// check boxes; the batch front-end fills it from the settings.

#include "settings/CSettings.h"

class CMainOptions {
public:
    int bTest = 0;
    int bMainFolder = 1;  // "Keep folder"
    int bSample = 0;
    int bCovers = 0;
    int bNfo = 1;
    int bSubs = 1;
    int bSubsFolder = 0;
    int bCleanUp = 0;

    static CMainOptions FromSettings(const CSettings& settings) {
        CMainOptions options;
        options.bTest = settings.bTest;
        options.bMainFolder = settings.bMainFolder;
        options.bSample = settings.bSample;
        options.bCovers = settings.bCovers;
        options.bNfo = settings.bNfo;
        options.bSubs = settings.bSubs;
        options.bSubsFolder = settings.bSubsFolder;
        options.bCleanUp = settings.bCleanUp;
        return options;
    }
};
