#include "app/DebugFill.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/CQuarnelDlg.h"
#include "controls/CColorEdit.h"
#include "controls/CDropTarget.h"
#include "engine/CItemStates.h"

namespace {

struct CDemoRow {
    const char* pszName;
    const char* pszType;
    const char* pszStatus;
    const char* pszResult;
    int nImage;
    int nPreset;
};

void OpenSubmenu(QMenu* pMenu, const QString& strTitle) {
    for (QAction* pAction : pMenu->actions())
        if (pAction->menu() != nullptr && pAction->text() == strTitle) {
            pMenu->setActiveAction(pAction);
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QCoreApplication::sendEvent(pMenu, &right);
        }
}

}  // namespace

void ApplyDebugFill(CQuarnelDlg& dlg) {
    const char* pszFill = std::getenv("HARVEX_DEBUG_FILL");
    if (pszFill == nullptr || *pszFill == '\0')
        return;
    using namespace ItemStates;
    const std::string strRoot = QDir::tempPath().toStdString() + "/harvex-debug-fill";
    const CDemoRow ROWS[] = {
        {"Nature.Documentary.2024", "folder", COMPLETED, "OK (0h1m12s345ms)", IMAGE_COMPLETED, -1},
        {"Series.S01E01.rar", "rar", FAILED, RESULT_FAILED, IMAGE_FAILED, -1},
        {"Holiday.Photos.zip", "zip", NOTHING_TO_EXTRACT, NOTHING_TO_EXTRACT, IMAGE_NOTHING, -1},
        {"Concert.Live.2023", "folder", CLEANUP_LEFT, RESULT_CLEANUP_FAILED, IMAGE_CLEANUP_LEFT, -1},
        {"Game.Setup.part1.rar", "rar", KILLED, KILLED, IMAGE_KILLED, -1},
        {"Backup.2022.zip", "zip", SKIP, SKIP, IMAGE_SKIP, -1},
        {"Movie.Night.2025", "folder", "", "", IMAGE_EXTRACT_ANIMATION_FIRST + 9, -1},
        {"monkey", "folder", "", "", IMAGE_MONKEY, -1},
        {"Weekly.Show.S02", "folder", "", "", IMAGE_PRESET_FIRST, 0},
        {"Audio.Book.rar", "rar", "", "", IMAGE_RAR, -1},
    };
    CPresets movies;
    movies.strName = "Movies";
    movies.strOutputPath = strRoot + "/Movies";
    CPresets gone;
    gone.strName = "Old disk (folder missing)";
    gone.strOutputPath = "/nonexistent/old-disk";
    dlg.Presets() = {movies, gone};
    dlg.Settings().arrHistory = {strRoot + "/Movies", strRoot + "/Series"};
    QDir().mkpath(QString::fromStdString(strRoot + "/Movies"));
    QDir().mkpath(QString::fromStdString(strRoot + "/Series"));

    CJobList& list = dlg.List();
    int nBarRow = -1;
    for (const CDemoRow& row : ROWS) {
        const std::string strPath = strRoot + "/" + row.pszName;
        if (std::string(row.pszType) == "folder")
            QDir().mkpath(QString::fromStdString(strPath));
        CListItem item;
        item.strPath = strPath;
        item.strParentFolder = strRoot;
        item.strType = row.pszType;
        item.strFolderName = item.strType == "folder" ? row.pszName : "";
        item.nPreset = row.nPreset;
        const int nRow = dlg.Output().AddItem(item, row.pszName);
        if (*row.pszStatus != '\0')
            list.SetRowResult(nRow, row.pszStatus, row.pszResult, row.nImage);
        else
            list.SetRowImage(nRow, row.nImage);
        if (std::string(row.pszName) == "Movie.Night.2025")
            nBarRow = nRow;
    }
    dlg.ListView()->SetProgressRow(list.RowId(nBarRow), false);
    dlg.ListView()->SetProgressPercent(62);
    dlg.SetStatusColours(0xFFFFFF, 0x00007F);
    dlg.ShowStatus(QStringLiteral(" Already in list"), 600000, false);
    dlg.LogBox()->setPlainText(
        QStringLiteral("UNRAR 1.4 freeware\n\nExtracting from Movie.Night.2025.part1.rar\n\nExtracting  "
                       "movie.night.2025.mkv                    62%"));

    const char* pszMenu = std::getenv("HARVEX_DEBUG_MENU");
    if (pszMenu == nullptr || *pszMenu == '\0')
        return;
    const QString strMenu = QString::fromUtf8(pszMenu);
    if (strMenu == QStringLiteral("tray")) {
        // Into the tray (as F9 does), then the tray icon's menu at the icon.
        QTimer::singleShot(800, &dlg, [&dlg] {
            dlg.MinimizeWindow();
            QTimer::singleShot(500, &dlg, [&dlg] {
                if (dlg.SystemTrayIcon() != nullptr)
                    dlg.TrayMenu()->popup(dlg.SystemTrayIcon()->geometry().bottomLeft());
            });
        });
        return;
    }
    // The row the menu is about: the completed one for "run", a waiting one for "preset".
    const int nSelect = strMenu == QStringLiteral("run") ? 0 : strMenu == QStringLiteral("preset") ? 9 : -1;
    if (nSelect == 0) {
        CListItem* pItem = list.ItemAtRow(0);
        const std::string strOut = strRoot + "/Movies/Nature.Documentary.2024";
        QDir().mkpath(QString::fromStdString(strOut));
        for (const char* pszFile : {"nature.documentary.2024.mkv", "bonus.mp4", "setup.exe", "readme.txt"}) {
            std::ofstream(strOut + "/" + pszFile) << "demo";
            pItem->arrNewFiles.push_back(strOut + "/" + pszFile);
        }
    }
    QObject::connect(&dlg, &CQuarnelDlg::ItemMenuShown, &dlg, [strMenu](QMenu* pMenu) {
        QTimer::singleShot(300, pMenu, [pMenu, strMenu] {
            if (strMenu == QStringLiteral("output"))
                OpenSubmenu(pMenu, QStringLiteral("Set output folder"));
            else if (strMenu == QStringLiteral("preset"))
                OpenSubmenu(pMenu, QStringLiteral("Set preset"));
            else if (strMenu == QStringLiteral("run"))
                OpenSubmenu(pMenu, QStringLiteral("Run..."));
        });
    });
    QTimer::singleShot(800, &dlg, [&dlg, nSelect] {
        CDropTarget* pView = dlg.ListView();
        pView->clearSelection();
        if (nSelect >= 0)
            pView->selectionModel()->select(dlg.List().index(nSelect, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QRect rcRow = pView->visualRect(dlg.List().index(nSelect >= 0 ? nSelect : 0, 0));
        const QPoint pt =
            nSelect >= 0 ? rcRow.center() : QPoint(rcRow.center().x(), pView->viewport()->height() - 10);
        dlg.ShowItemMenu(pView->viewport()->mapToGlobal(pt));
    });
}
