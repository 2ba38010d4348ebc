#include "dialogs/CPresetsDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/CPresetEditDlg.h"
#include "dialogs/DialogIcons.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/COutputFolders.h"
#include "engine/PresetOps.h"
#include "settings/SettingsSchema.h"

namespace {

struct CButtonText {
    const char* pszText;
    DialogIcons::EButton icon;
    const char* pszTip;
};
const CButtonText BUTTON_TEXTS[CPresetsDlg::BUTTON_COUNT] = {
    {"New", DialogIcons::EButton::New, "Create a new preset"},
    {"Edit", DialogIcons::EButton::Edit, "Edit selected preset"},
    {"Delete", DialogIcons::EButton::Delete, "Delete selected preset"},
    {"", DialogIcons::EButton::Up, "Move one step up in list"},
    {"", DialogIcons::EButton::Down, "Move one step down in list"},
    {"Close", DialogIcons::EButton::Close, ""},
};

}  // namespace

CPresetsDlg::CPresetsDlg(std::vector<CPresets>& arrPresets, CJobList* pList, COutputFolders* pOutputFolders,
                         CMessageBox& messageBox, QWidget* pParent)
    : QDialog(pParent),
      m_arrPresets(arrPresets),
      m_pJobList(pList),
      m_pOutputFolders(pOutputFolders),
      m_messageBox(messageBox) {
    setWindowTitle(QStringLiteral("Create and manage presets"));
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Presets));

    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(1);
    m_pList->setHeaderLabels({QStringLiteral("Preset")});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setUniformRowHeights(true);
    m_pList->header()->setSectionsMovable(false);
    m_pList->setMinimumSize(260, 240);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this] { EditPreset(); });

    auto* pButtons = new QVBoxLayout;
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        m_arrButtons[i] = DialogIcons::ThemedButton(QString::fromUtf8(BUTTON_TEXTS[i].pszText),
                                                    DialogIcons::ButtonIcon(BUTTON_TEXTS[i].icon), this);
        m_arrButtons[i]->setAutoDefault(false);
    }
    connect(m_arrButtons[NEW], &QPushButton::clicked, this, &CPresetsDlg::NewPreset);
    connect(m_arrButtons[EDIT], &QPushButton::clicked, this, &CPresetsDlg::EditPreset);
    connect(m_arrButtons[DELETE], &QPushButton::clicked, this, &CPresetsDlg::DeletePreset);
    connect(m_arrButtons[UP], &QPushButton::clicked, this, &CPresetsDlg::MoveUp);
    connect(m_arrButtons[DOWN], &QPushButton::clicked, this, &CPresetsDlg::MoveDown);
    connect(m_arrButtons[CLOSE], &QPushButton::clicked, this, &QDialog::accept);
    pButtons->addWidget(m_arrButtons[NEW]);
    pButtons->addWidget(m_arrButtons[EDIT]);
    pButtons->addWidget(m_arrButtons[DELETE]);
    auto* pArrows = new QHBoxLayout;
    pArrows->addWidget(m_arrButtons[UP]);
    pArrows->addWidget(m_arrButtons[DOWN]);
    pButtons->addLayout(pArrows);
    pButtons->addStretch();
    pButtons->addWidget(m_arrButtons[CLOSE]);

    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(m_pList, 1);
    pLayout->addLayout(pButtons);

    m_pEditor = new CPresetEditDlg(m_arrPresets, m_messageBox, this);
    connect(m_pEditor, &CPresetEditDlg::PresetSaved, this, &CPresetsDlg::FillList);
}

void CPresetsDlg::Prepare(bool bShowTooltips) {
    m_bShowTooltips = bShowTooltips;
    for (int i = 0; i < BUTTON_COUNT; ++i)
        m_arrButtons[i]->setToolTip(bShowTooltips ? QString::fromUtf8(BUTTON_TEXTS[i].pszTip) : QString());
    FillList();
}

// Presets without a name or with a name over the limit (written by hand into the store)
// leave the array here; the others become rows with the image of their position.
void CPresetsDlg::FillList() {
    m_pList->clear();
    if (m_pJobList != nullptr) {
        DeleteUnlistablePresets(m_arrPresets, *m_pJobList, m_pOutputFolders);
    } else {
        std::erase_if(m_arrPresets, [](const CPresets& preset) {
            return preset.strName.empty() || PresetNameLength(preset.strName) > PRESET_NAME_MAX;
        });
    }
    for (std::size_t i = 0; i < m_arrPresets.size(); ++i) {
        auto* pRow = new QTreeWidgetItem(m_pList, {QString::fromStdString(m_arrPresets[i].strName)});
        pRow->setIcon(0, DialogIcons::ListImage(ItemStates::IMAGE_PRESET_FIRST + static_cast<int>(i)));
    }
    const bool bAny = !m_arrPresets.empty();
    m_arrButtons[EDIT]->setEnabled(bAny);
    m_arrButtons[DELETE]->setEnabled(bAny);
}

int CPresetsDlg::SelectedRow() const {
    const QList<QTreeWidgetItem*> arrSelected = m_pList->selectedItems();
    return arrSelected.isEmpty() ? -1 : m_pList->indexOfTopLevelItem(arrSelected.first());
}

// The first preset whose name equals the row's text (exact, case-sensitive).
int CPresetsDlg::PresetIndexOfRow(int nRow) const {
    QTreeWidgetItem* pRow = m_pList->topLevelItem(nRow);
    if (pRow == nullptr)
        return -1;
    const std::string strName = pRow->text(0).toStdString();
    for (std::size_t i = 0; i < m_arrPresets.size(); ++i) {
        if (m_arrPresets[i].strName == strName)
            return static_cast<int>(i);
    }
    return -1;
}

void CPresetsDlg::RunEditor(int nIndex) {
    m_pEditor->Prepare(nIndex, m_bShowTooltips);
    m_pEditor->exec();
    m_pList->setFocus();
}

void CPresetsDlg::NewPreset() {
    if (static_cast<int>(m_arrPresets.size()) >= PRESET_MAX) {
        m_messageBox.ShowMessage(PresetLimitMessage(), CMessageBox::EIcon::Information);
        m_pList->setFocus();
        return;
    }
    RunEditor(-1);
}

void CPresetsDlg::EditPreset() {
    const int nIndex = PresetIndexOfRow(SelectedRow());
    if (nIndex < 0) {
        m_messageBox.ShowMessage(NO_PRESET_SELECTED, CMessageBox::EIcon::Information);
        return;
    }
    RunEditor(nIndex);
}

void CPresetsDlg::DeletePreset() {
    const int nIndex = PresetIndexOfRow(SelectedRow());
    if (nIndex < 0) {
        m_messageBox.ShowMessage(NO_PRESET_SELECTED, CMessageBox::EIcon::Information);
        return;
    }
    if (m_pJobList != nullptr) {
        if (!::DeletePreset(m_arrPresets, *m_pJobList, nIndex, m_pOutputFolders))
            return;
    } else {
        m_arrPresets.erase(m_arrPresets.begin() + nIndex);
    }
    FillList();
}

void CPresetsDlg::MoveUp() {
    Move(-1);
}
void CPresetsDlg::MoveDown() {
    Move(1);
}

void CPresetsDlg::Move(int nStep) {
    const int nRow = SelectedRow();
    const int nTarget = nRow + nStep;
    if (nRow < 0 || nTarget < 0 || nTarget >= m_pList->topLevelItemCount())
        return;
    if (m_pJobList != nullptr) {
        if (!MovePreset(m_arrPresets, *m_pJobList, nRow, nTarget))
            return;
        RefreshUnfinishedRows(*m_pJobList, m_pOutputFolders);
    } else {
        const CPresets moved = m_arrPresets[static_cast<std::size_t>(nRow)];
        m_arrPresets.erase(m_arrPresets.begin() + nRow);
        m_arrPresets.insert(m_arrPresets.begin() + nTarget, moved);
    }
    FillList();
    QTreeWidgetItem* pRow = m_pList->topLevelItem(nTarget);
    m_pList->setCurrentItem(pRow);
    pRow->setSelected(true);
    m_pList->scrollToItem(pRow);
}

void CPresetsDlg::RefreshUnfinishedRows(CJobList& list, COutputFolders* pOutputFolders) {
    for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
        const CListItem* pItem = list.ItemAtRow(nRow);
        if (pItem == nullptr || pItem->strStatus == ItemStates::COMPLETED)
            continue;
        if (pItem->strStatus.empty())
            list.SetRowImage(nRow, list.IdleImage(*pItem));
        if (pOutputFolders != nullptr)
            pOutputFolders->RefreshOutputColumn(nRow);
    }
}

void CPresetsDlg::done(int nResult) {
    if (m_pJobList != nullptr)
        RefreshUnfinishedRows(*m_pJobList, m_pOutputFolders);
    SavePresets(m_arrPresets);
    QDialog::done(nResult);
}
