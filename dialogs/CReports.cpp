#include "dialogs/CReports.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/DialogIcons.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/CleanUp.h"

namespace {

constexpr int IMAGE_TEST_HEADING = 21;
constexpr int IMAGE_EXTRACT_HEADING = 70;
constexpr int IMAGE_EMPTY = 96;
constexpr int IMAGE_KEPT_FILE = 97;
constexpr int IMAGE_OTHER_ERROR = 98;
constexpr int IMAGE_GROUP_HEADING = 99;

QString OneLine(const std::string& strText) {
    QString strLine = QString::fromStdString(strText);
    strLine.remove(QLatin1Char('\r'));
    strLine.remove(QLatin1Char('\n'));
    return strLine;
}

QListWidget* MakeList(QWidget* pParent, const QColor& background) {
    auto* pList = new QListWidget(pParent);
    pList->setSelectionMode(QAbstractItemView::SingleSelection);
    pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    pList->setTextElideMode(Qt::ElideNone);
    QPalette palette = pList->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, Qt::black);
    pList->setPalette(palette);
    pList->setMinimumSize(480, 220);
    return pList;
}

void AddRow(QListWidget* pList, const QString& strText, int nImage) {
    new QListWidgetItem(DialogIcons::ListImage(nImage), strText, pList);
}

// The column as wide as its longest row: the window grows to show it (up to a limit, past
// which the list scrolls), and no row starts out marked.
void FitToRows(QWidget* pWindow, QListWidget* pList) {
    pList->setCurrentItem(nullptr);
    pList->clearSelection();
    const int nWanted = pList->sizeHintForColumn(0) + 2 * pList->frameWidth() +
                        pList->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    const QMargins margins = pWindow->layout()->contentsMargins();
    const int nWindow = std::min(nWanted + margins.left() + margins.right(), 1000);
    if (!pWindow->isVisible())
        pWindow->adjustSize();
    if (nWindow > pWindow->width())
        pWindow->resize(nWindow, pWindow->height());
}

}  // namespace

// ---------------------------------------------------------------------------------------

CErrorReport::CErrorReport(CJobList& list, QWidget* pParent) : QDialog(pParent), m_list(list) {
    setWindowTitle(QStringLiteral("Error report"));
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::ErrorReport));
    m_pList = MakeList(this, QColor(244, 222, 222));
    m_pClose = DialogIcons::ThemedButton(QStringLiteral("&Close"), QIcon(), this);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch();
    pButtons->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pList);
    pLayout->addLayout(pButtons);
}

void CErrorReport::SetItem(int nId, int nErrorCount) {
    m_nId = nId;
    m_nErrorCount = nErrorCount;
}

void CErrorReport::Refill() {
    m_pList->clear();
    const CListItem* pItem = m_list.ItemById(m_nId);
    if (pItem == nullptr)
        return;
    // The wording follows the mode the item ran in, not the options of today.
    const bool bTest = pItem->bRunWasTest != 0;
    const QString strHeading =
        bTest ? QStringLiteral("Test operation failed in ") : QStringLiteral("Extraction failed in ");
    AddRow(m_pList, strHeading + QString::fromStdString(pItem->strPath),
           bTest ? IMAGE_TEST_HEADING : IMAGE_EXTRACT_HEADING);
    AddRow(m_pList, QString(), IMAGE_EMPTY);
    const int nCount = std::min<int>(m_nErrorCount, static_cast<int>(pItem->arrErrors.size()));
    for (int i = 0; i < nCount; ++i)
        AddRow(m_pList, OneLine(pItem->arrErrors[static_cast<std::size_t>(i)]), ItemStates::IMAGE_FAILED);
    FitToRows(this, m_pList);
}

// ---------------------------------------------------------------------------------------

CCleanupReport::CCleanupReport(CJobList& list, QWidget* pParent) : QDialog(pParent), m_list(list) {
    setWindowTitle(QStringLiteral("Clean up report"));
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::CleanupReport));
    m_pList = MakeList(this, QColor(222, 222, 244));
    m_pDelete = DialogIcons::ThemedButton(QStringLiteral("&Delete remaining"),
                                          DialogIcons::ButtonIcon(DialogIcons::EButton::Delete), this);
    m_pClose = DialogIcons::ThemedButton(QStringLiteral("&Close"),
                                         DialogIcons::ButtonIcon(DialogIcons::EButton::Close), this);
    m_pDelete->setAutoDefault(false);
    connect(m_pDelete, &QPushButton::clicked, this, &CCleanupReport::DeleteRemaining);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);
    // An item removed from the list meanwhile can no longer be acted on.
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, &CCleanupReport::UpdateDeleteButton);
    connect(&m_list, &QAbstractItemModel::modelReset, this, &CCleanupReport::UpdateDeleteButton);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pDelete);
    pButtons->addStretch();
    pButtons->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pList);
    pLayout->addLayout(pButtons);
}

void CCleanupReport::SetItem(int nId) {
    m_nId = nId;
}

void CCleanupReport::SetShowTooltips(bool bShow) {
    m_pDelete->setToolTip(bShow ? QStringLiteral("Delete remaining files and folders") : QString());
}

void CCleanupReport::UpdateDeleteButton() {
    const CListItem* pItem = m_list.ItemById(m_nId);
    m_pDelete->setEnabled(pItem != nullptr && !pItem->arrCleanUp.empty());
}

void CCleanupReport::Refill() {
    m_pList->clear();
    UpdateDeleteButton();
    const CListItem* pItem = m_list.ItemById(m_nId);
    if (pItem == nullptr)
        return;
    std::vector<const CleanUpInfo*> arrKept;
    std::vector<const CleanUpInfo*> arrFolders;
    std::vector<const CleanUpInfo*> arrOther;
    for (const CleanUpInfo& info : pItem->arrCleanUp) {
        if (info.nKind == CleanUpInfo::KIND_KEPT_FILE)
            arrKept.push_back(&info);
        else if (info.nKind == CleanUpInfo::KIND_FOLDER_LEFT)
            arrFolders.push_back(&info);
        else if (info.nKind == CleanUpInfo::KIND_OTHER_ERROR)
            arrOther.push_back(&info);
    }
    auto group = [this](const char* pszHeading, const std::vector<const CleanUpInfo*>& arrEntries, int nImage,
                        bool bMessage) {
        if (arrEntries.empty())
            return;
        AddRow(m_pList, QString::fromUtf8(pszHeading), IMAGE_GROUP_HEADING);
        for (const CleanUpInfo* pInfo : arrEntries)
            AddRow(m_pList, OneLine(bMessage ? pInfo->strMessage : pInfo->strPath), nImage);
    };
    group("As a precaution the following file(s) wasn't deleted:", arrKept, IMAGE_KEPT_FILE, false);
    group("Unable to delete the following folder(s):", arrFolders, ItemStates::IMAGE_FOLDER, false);
    group("Other errors:", arrOther, IMAGE_OTHER_ERROR, true);
    FitToRows(this, m_pList);
}

void CCleanupReport::DeleteRemaining() {
    const bool bProcessing = fnIsProcessing ? fnIsProcessing() : m_list.IsProcessing();
    if (DeleteRemainingForItem(m_list, m_nId, bProcessing) == EDeleteRemaining::ItemBusy)
        return;
    Refill();
}

// ---------------------------------------------------------------------------------------

CReportWindows::CReportWindows(CJobList& list, QWidget* pParent)
    : QObject(pParent), m_list(list), m_pParent(pParent) {}

CReportWindows::~CReportWindows() {
    delete m_pError;
    delete m_pCleanup;
}

bool CReportWindows::OpenForRow(int nRow) {
    const CJobList::EReport report = m_list.ReportForRow(nRow);
    const CListItem* pItem = report == CJobList::EReport::None ? nullptr : m_list.ItemAtRow(nRow);
    if (pItem == nullptr)
        return false;
    QDialog* pShown = nullptr;
    if (report == CJobList::EReport::Errors) {
        delete m_pCleanup;
        if (m_pError == nullptr)
            m_pError = new CErrorReport(m_list, m_pParent);
        m_pError->SetItem(pItem->nId, static_cast<int>(pItem->arrErrors.size()));
        m_pError->Refill();
        pShown = m_pError;
    } else {
        delete m_pError;
        if (m_pCleanup == nullptr) {
            m_pCleanup = new CCleanupReport(m_list, m_pParent);
            m_pCleanup->fnIsProcessing = [this] {
                return fnIsProcessing ? fnIsProcessing() : m_list.IsProcessing();
            };
        }
        m_pCleanup->SetShowTooltips(m_bShowTooltips);
        m_pCleanup->SetItem(pItem->nId);
        m_pCleanup->Refill();
        pShown = m_pCleanup;
    }
    pShown->setModal(false);
    pShown->showNormal();
    pShown->raise();
    pShown->activateWindow();
    return true;
}
