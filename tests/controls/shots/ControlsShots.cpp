// Renders the controls for a look: the image list as a contact sheet, the
// menu strip and the named icons, a job list with a row in every state and
// the bar over the running row, and the custom controls. Writes PNG files
// into the folder given as the first argument.
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cstdio>

#include "../DemoRows.h"
#include "controls/CButtonST.h"
#include "controls/CColorEdit.h"
#include "controls/CColorStatic.h"
#include "controls/CDropTarget.h"
#include "controls/CImageList.h"
#include "controls/CLabel.h"
#include "controls/CThemeHelperST.h"
#include "controls/CXPStyleButtonST.h"
#include "engine/CJobList.h"

namespace {

bool Save(const QImage& image, const QString& strPath) {
    if (!image.save(strPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(strPath));
        return false;
    }
    std::printf("%s\n", qPrintable(strPath));
    return true;
}

// Cells of nColumns icons, each at 16 px, the same 16 px pixmap enlarged
// three times (to judge its pixels) and at 48 px, with its name.
QImage Sheet(const QString& strTitle, const std::vector<std::pair<QString, QIcon>>& arrIcons, int nColumns) {
    const int nCellW = 124;
    const int nCellH = 62;
    const int nRows = (static_cast<int>(arrIcons.size()) + nColumns - 1) / nColumns;
    QImage image(nColumns * nCellW + 10, nRows * nCellH + 40, QImage::Format_ARGB32);
    image.fill(QColor(255, 255, 255));
    QPainter p(&image);
    QFont font = QApplication::font();
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(8, 4, image.width() - 16, 26), Qt::AlignVCenter, strTitle);
    font.setPixelSize(11);
    font.setBold(false);
    p.setFont(font);
    for (size_t i = 0; i < arrIcons.size(); ++i) {
        const int x = 5 + static_cast<int>(i % nColumns) * nCellW;
        const int y = 34 + static_cast<int>(i / nColumns) * nCellH;
        p.fillRect(QRect(x, y, nCellW - 4, nCellH - 4),
                   (i / nColumns + i % nColumns) % 2 ? QColor(240, 240, 240) : QColor(255, 255, 224));
        p.setPen(Qt::black);
        p.drawText(QRect(x + 3, y + 2, nCellW - 8, 14), Qt::AlignLeft, arrIcons[i].first);
        const QIcon& icon = arrIcons[i].second;
        p.drawPixmap(x + 4, y + 24, icon.pixmap(16, 16));
        p.drawPixmap(x + 24, y + 8,
                     icon.pixmap(16, 16).scaled(48, 48, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        p.drawPixmap(x + 70, y + 8, icon.pixmap(48, 48));
    }
    return image;
}

QImage ImageListSheet() {
    std::vector<std::pair<QString, QIcon>> arrIcons;
    for (int i = 0; i < ImageIndex::COUNT; ++i) {
        arrIcons.emplace_back(QString::number(i), CImageList::Instance().Icon(i));
    }
    return Sheet(QStringLiteral("Image list: 100 images at 16 px, 16 px enlarged 3x, and 48 px"), arrIcons,
                 10);
}

QImage NamedSheet() {
    const char* arrNames[] = {"App",         "Go",          "Pause",          "Kill",
                              "Exit",        "Help",        "Update",         "Donate",
                              "ClearList",   "ResetList",   "RemoveSuccess.", "Presets",
                              "Preferences", "New",         "Edit",           "Delete",
                              "Up",          "Down",        "Close",          "Save",
                              "Cancel",      "Ok",          "Apply",          "HelpWindow",
                              "Changelog",   "ErrorReport", "CleanupReport",  "PresetsWindow",
                              "PrefsWindow", "TrayFail+Cln"};
    std::vector<std::pair<QString, QIcon>> arrIcons;
    for (int i = 0; i <= static_cast<int>(ENamedIcon::TrayFailedAndCleanup); ++i) {
        arrIcons.emplace_back(QString::fromLatin1(arrNames[i]),
                              CImageList::Instance().Named(static_cast<ENamedIcon>(i)));
    }
    for (int i = 0; i < MenuIcon::COUNT; ++i) {
        const QIcon icon = CImageList::Instance().MenuIcon(i);
        if (!icon.isNull()) {
            arrIcons.emplace_back(QStringLiteral("menu %1").arg(i), icon);
        }
    }
    for (int i = 0; i < APP_SPIN_STEPS; ++i) {
        arrIcons.emplace_back(QStringLiteral("spin %1").arg(i), CImageList::Instance().AppSpin(i));
    }
    return Sheet(QStringLiteral("Buttons, windows, the menu strip and the spin animation"), arrIcons, 10);
}

QImage JobList(bool bMarquee) {
    CJobList list;
    DemoRows::FillEveryState(list);
    CDropTarget view;
    view.SetJobList(&list);
    view.resize(760, 300);
    view.show();
    view.ApplyColumnShares();
    const int nRunningId = list.RowId(7);
    view.SetProgressRow(nRunningId, bMarquee);
    view.SetProgressPercent(bMarquee ? 45 : 63);
    view.selectionModel()->select(list.index(9, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::processEvents();
    return view.grab().toImage();
}

QImage Widgets() {
    QWidget panel;
    panel.setWindowTitle(QStringLiteral("controls"));
    auto* pGrid = new QGridLayout(&panel);
    static CThemeHelperST theme;
    static CThemeHelperST noTheme;
    noTheme.SetThemed(false);
    auto* pNormal = new CButtonST(QStringLiteral("&Go!"), &panel);
    pNormal->SetIcon(CImageList::Instance().Named(ENamedIcon::Go));
    auto* pHover = new CButtonST(QStringLiteral("&Go! (hover)"), &panel);
    pHover->SetIcon(CImageList::Instance().Named(ENamedIcon::Go));
    pHover->SetAlwaysTrack(true);
    auto* pColoured = new CButtonST(QStringLiteral("Coloured"), &panel);
    pColoured->SetIcon(CImageList::Instance().Named(ENamedIcon::Donate));
    pColoured->SetColour(CButtonST::BTNST_COLOR_BK_OUT, QColor(250, 230, 200));
    pColoured->SetColour(CButtonST::BTNST_COLOR_FG_OUT, QColor(120, 40, 0));
    auto* pCheck = new CButtonST(QStringLiteral("Keep subs (ticked)"), &panel);
    pCheck->SetCheckBox(true);
    pCheck->SetCheck(true);
    auto* pThemed = new CXPStyleButtonST(QStringLiteral("&Presets (themed)"), &panel);
    pThemed->SetThemeHelper(&theme);
    pThemed->SetIcon(CImageList::Instance().Named(ENamedIcon::Presets));
    auto* pPlain = new CXPStyleButtonST(QStringLiteral("P&references (no theme)"), &panel);
    pPlain->SetThemeHelper(&noTheme);
    pPlain->SetIcon(CImageList::Instance().Named(ENamedIcon::Preferences));
    pGrid->addWidget(pNormal, 0, 0);
    pGrid->addWidget(pHover, 0, 1);
    pGrid->addWidget(pColoured, 0, 2);
    pGrid->addWidget(pCheck, 1, 0);
    pGrid->addWidget(pThemed, 1, 1);
    pGrid->addWidget(pPlain, 1, 2);
    auto* pStatus = new CColorStatic(QStringLiteral(" 3 item(s) added to list"), &panel);
    pStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pStatus->SetBkColor(QColor(0, 160, 0));
    pStatus->SetTextColor(QColor(255, 255, 255));
    pGrid->addWidget(pStatus, 2, 0, 1, 3);
    auto* pLog = new CColorEdit(&panel);
    pLog->SetBkColor(QColor(192, 214, 192));
    pLog->setPlainText(QStringLiteral("Extracting  Nebula.Drift.2019.1080p.mkv   63%\nAll OK"));
    pLog->setFixedHeight(70);
    pGrid->addWidget(pLog, 3, 0, 1, 3);
    auto* pLink = new CLabel(QStringLiteral("here"), &panel);
    pLink->SetLink(true)
        .SetTextColor(QColor(0, 0, 255))
        .SetUnderline(true)
        .SetUrl(QStringLiteral("https://example.org"));
    pGrid->addWidget(pLink, 4, 0);
    auto* pLabel = new CLabel(QStringLiteral("Drag and drop folders, zip and rar files"), &panel);
    const QColor face = panel.palette().color(QPalette::Button);
    pLabel->SetTextColor(QColor((face.red() + 100) % 255, (face.green() + 140) % 255, face.blue()));
    pGrid->addWidget(pLabel, 4, 1, 1, 2);
    panel.resize(620, 260);
    panel.show();
    QApplication::processEvents();
    pHover->setAttribute(Qt::WA_UnderMouse);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), pHover->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(pHover, &enter);
    QApplication::processEvents();
    return panel.grab().toImage();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString strDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(strDir);
    bool bOk = Save(ImageListSheet(), strDir + QStringLiteral("/controls-imagelist.png"));
    bOk = Save(NamedSheet(), strDir + QStringLiteral("/controls-icons.png")) && bOk;
    bOk = Save(JobList(false), strDir + QStringLiteral("/controls-joblist.png")) && bOk;
    bOk = Save(JobList(true), strDir + QStringLiteral("/controls-joblist-marquee.png")) && bOk;
    bOk = Save(Widgets(), strDir + QStringLiteral("/controls-widgets.png")) && bOk;
    return bOk ? 0 : 1;
}
