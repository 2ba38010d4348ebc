// harvex-dialog-preview NAME OUT.png: shows one dialog of dialogs/ filled with sample data
// and writes a picture of it once it is on screen. NAME is one of: presets, preset-edit,
// preferences, password, error-report, cleanup-report, help, changelog, missing-files.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "dialogs/CAdvancedOptions.h"
#include "dialogs/CDownloadDialog.h"
#include "dialogs/CInfoDialog.h"
#include "dialogs/CPasswordDialog.h"
#include "dialogs/CPresetEditDlg.h"
#include "dialogs/CPresetsDlg.h"
#include "dialogs/CReports.h"
#include "dialogs/CWidgetMessageBox.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"

namespace {

CPresets Preset(const char* pszName, const char* pszOutput, bool bTest = false) {
    CPresets preset;
    preset.strName = pszName;
    preset.strOutputPath = pszOutput;
    preset.bNfo = 1;
    preset.bSubs = 1;
    preset.bCleanUp = 1;
    preset.bTest = bTest ? 1 : 0;
    return preset;
}

int AddItem(CJobList& list, const std::string& strPath) {
    CListItem item;
    item.strPath = strPath;
    item.strParentFolder = strPath.substr(0, strPath.rfind('/'));
    item.strType = "folder";
    return list.AddItem(item);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: harvex-dialog-preview NAME OUT.png\n");
        return 2;
    }
    const std::string strName = argv[1];
    const QString strOut = QString::fromLocal8Bit(argv[2]);

    CWidgetMessageBox box;
    std::vector<CPresets> arrPresets = {Preset("Movies", "/media/films"), Preset("TV series", "/media/tv"),
                                        Preset("Check only", "", true),
                                        Preset("Music (FLAC)", "/media/music")};
    CSettings settings;
    CJobList list;
    list.SetPresets(&arrPresets);
    list.SetMessageBox(&box);
    CReportWindows reports(list, nullptr);
    std::unique_ptr<QDialog> pDialog;

    if (strName == "presets") {
        auto* pDlg = new CPresetsDlg(arrPresets, &list, nullptr, box);
        pDlg->Prepare(true);
        pDialog.reset(pDlg);
    } else if (strName == "preset-edit") {
        auto* pDlg = new CPresetEditDlg(arrPresets, box);
        pDlg->Prepare(1, true);
        pDialog.reset(pDlg);
    } else if (strName == "preferences") {
        auto* pDlg = new CAdvancedOptions(settings, false);
        pDlg->Prepare();
        pDialog.reset(pDlg);
    } else if (strName == "password") {
        auto* pDlg = new CPasswordDialog(box);
        pDlg->SetArchive("/home/me/Downloads/Some.Release.2026/some.release.part01.rar");
        pDialog.reset(pDlg);
    } else if (strName == "error-report") {
        const int nRow = AddItem(list, "/home/me/Downloads/Some.Release.2026");
        list.ItemAtRow(nRow)->arrErrors = {"some.release.part01.rar:  CRC failed in some.release.mkv\r\n",
                                           "some.release.part03.rar:  Missing volume\r\n",
                                           "Skipped password protected file  extras/bonus.zip\r\n"};
        list.SetRowResult(nRow, ItemStates::FAILED, ItemStates::RESULT_FAILED, ItemStates::IMAGE_FAILED);
        reports.OpenForRow(nRow);
        QWidget* pReport = reports.ErrorReport();
        QTimer::singleShot(700,
                           [pReport, strOut] { QApplication::exit(pReport->grab().save(strOut) ? 0 : 1); });
        return app.exec();
    } else if (strName == "cleanup-report") {
        const std::string strRel = "/home/me/Downloads/Other.Release.2026";
        const int nRow = AddItem(list, strRel);
        list.ItemAtRow(nRow)->arrCleanUp = {
            {strRel + "/Proof", "", 3},
            {strRel + "/readme.txt", "", 1},
            {strRel + "/other.release.sfv", "other.release.sfv: Permission denied", 2},
            {strRel + "/Sample/other.release.sample.mkv", "", 1}};
        list.SetRowResult(nRow, ItemStates::CLEANUP_LEFT, ItemStates::RESULT_CLEANUP_FAILED,
                          ItemStates::IMAGE_CLEANUP_LEFT);
        reports.OpenForRow(nRow);
        QWidget* pReport = reports.CleanupReport();
        QTimer::singleShot(700,
                           [pReport, strOut] { QApplication::exit(pReport->grab().save(strOut) ? 0 : 1); });
        return app.exec();
    } else if (strName == "help" || strName == "changelog") {
        auto* pDlg = new CInfoDialog;
        if (strName == "changelog")
            pDlg->ToggleView();
        pDialog.reset(pDlg);
    } else if (strName == "missing-files") {
        pDialog.reset(new CDownloadDialog);
    } else {
        std::fprintf(stderr, "harvex-dialog-preview: unknown dialog %s\n", strName.c_str());
        return 2;
    }
    QDialog* pShown = pDialog.get();
    pShown->show();
    QTimer::singleShot(700, [pShown, strOut] { QApplication::exit(pShown->grab().save(strOut) ? 0 : 1); });
    return app.exec();
}
