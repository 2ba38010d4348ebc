#include "dialogs/CPresetEditDlg.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "dialogs/DialogIcons.h"
#include "engine/CItemStates.h"
#include "engine/ItemMenuHelpers.h"
#include "engine/PresetOps.h"

namespace {

QString g_strLastBrowsed;

// Refuses a name longer than the limit in characters (code points), whatever their
// UTF-16 length, so the editor and the manager count alike.
class CNameLengthValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& strInput, int&) const override {
        return PresetNameLength(strInput.toStdString()) <= PRESET_NAME_MAX ? Acceptable : Invalid;
    }
};

struct CBoxText {
    const char* pszText;
    const char* pszTip;
};
const CBoxText BOX_TEXTS[CPresetEditDlg::BOX_COUNT] = {
    {"Keep folder", "Add input folder to output folder path"},
    {"Keep nfo", "Copy .nfo file to output folder"},
    {"Keep sample", "Copy sample(s) to output folder"},
    {"Keep subs", "Extract subtitles to output folder"},
    {"Keep subs folder", "Extract subtitles to output/Subs folder"},
    {"Keep covers", "Copy covers to output folder"},
    {"Clean up", "Delete processed files and folders if successfully completed"},
    {"Test", "Test archived files"},
};

}  // namespace

CPresetEditDlg::CPresetEditDlg(std::vector<CPresets>& arrPresets, CMessageBox& messageBox, QWidget* pParent)
    : QDialog(pParent), m_arrPresets(arrPresets), m_messageBox(messageBox) {
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Program));
    fnBrowseFolder = [](QWidget* pOwner, const QString& strStart) {
        return QFileDialog::getExistingDirectory(pOwner, QStringLiteral("Select Output folder"), strStart,
                                                 QFileDialog::ShowDirsOnly);
    };

    m_pName = new QLineEdit(this);
    m_pName->setValidator(new CNameLengthValidator(m_pName));
    m_pName->setContextMenuPolicy(Qt::NoContextMenu);
    m_pOutput = new QLineEdit(this);
    m_pOutput->setReadOnly(true);
    m_pOutput->setContextMenuPolicy(Qt::NoContextMenu);
    m_pOutput->setMinimumWidth(300);

    auto* pBoxes = new QGridLayout;
    for (int i = 0; i < BOX_COUNT; ++i) {
        m_arrBoxes[i] = new QCheckBox(QString::fromUtf8(BOX_TEXTS[i].pszText), this);
        const EBox box = static_cast<EBox>(i);
        connect(m_arrBoxes[i], &QCheckBox::clicked, this,
                [this, box](bool bChecked) { OnBoxClicked(box, bChecked); });
    }
    // Two columns: what is kept on the left, what is done on the right.
    pBoxes->addWidget(m_arrBoxes[KEEP_FOLDER], 0, 0);
    pBoxes->addWidget(m_arrBoxes[KEEP_NFO], 1, 0);
    pBoxes->addWidget(m_arrBoxes[KEEP_SAMPLE], 2, 0);
    pBoxes->addWidget(m_arrBoxes[KEEP_COVERS], 3, 0);
    pBoxes->addWidget(m_arrBoxes[KEEP_SUBS], 0, 1);
    pBoxes->addWidget(m_arrBoxes[KEEP_SUBS_FOLDER], 1, 1);
    pBoxes->addWidget(m_arrBoxes[CLEAN_UP], 2, 1);
    pBoxes->addWidget(m_arrBoxes[TEST], 3, 1);

    m_pSave = DialogIcons::ThemedButton(QStringLiteral("&Save"),
                                        DialogIcons::ButtonIcon(DialogIcons::EButton::Save), this);
    m_pSave->setDefault(true);
    m_pCancel = DialogIcons::ThemedButton(QStringLiteral("&Cancel"),
                                          DialogIcons::ButtonIcon(DialogIcons::EButton::Cancel), this);
    connect(m_pSave, &QPushButton::clicked, this, &CPresetEditDlg::Save);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch();
    pButtons->addWidget(m_pSave);
    pButtons->addWidget(m_pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("Name"), this));
    pLayout->addWidget(m_pName);
    pLayout->addLayout(pBoxes);
    pLayout->addWidget(new QLabel(QStringLiteral("Output folder (right click)"), this));
    pLayout->addWidget(m_pOutput);
    pLayout->addLayout(pButtons);
}

QString CPresetEditDlg::LastBrowsedFolder() {
    return g_strLastBrowsed;
}

void CPresetEditDlg::Prepare(int nIndex, bool bShowTooltips) {
    const bool bNew = nIndex < 0 || nIndex >= static_cast<int>(m_arrPresets.size());
    m_nIndex = bNew ? -1 : nIndex;
    m_preset = bNew ? CPresets() : m_arrPresets[static_cast<std::size_t>(nIndex)];
    setWindowTitle(bNew ? QStringLiteral("New preset") : QStringLiteral("Edit preset"));
    for (int i = 0; i < BOX_COUNT; ++i) {
        m_arrBoxes[i]->setToolTip(bShowTooltips ? QString::fromUtf8(BOX_TEXTS[i].pszTip) : QString());
        m_arrBoxes[i]->setChecked(Field(static_cast<EBox>(i)) != 0);
    }
    m_pName->setText(QString::fromStdString(m_preset.strName));
    m_bShowTooltips = bShowTooltips;
    ShowOutput();
    ApplyEnabling();
    m_pName->setFocus();
}

int& CPresetEditDlg::Field(EBox box) {
    switch (box) {
        case KEEP_FOLDER:
            return m_preset.bMainFolder;
        case KEEP_NFO:
            return m_preset.bNfo;
        case KEEP_SAMPLE:
            return m_preset.bSample;
        case KEEP_SUBS:
            return m_preset.bSubs;
        case KEEP_SUBS_FOLDER:
            return m_preset.bSubsFolder;
        case KEEP_COVERS:
            return m_preset.bCovers;
        case CLEAN_UP:
            return m_preset.bCleanUp;
        case TEST:
        case BOX_COUNT:
            break;
    }
    return m_preset.bTest;
}

void CPresetEditDlg::OnBoxClicked(EBox box, bool bChecked) {
    Field(box) = bChecked ? 1 : 0;
    ApplyEnabling();
}

// The enabling rules: Test greys everything an extraction needs; "Keep subs folder" needs
// "Keep subs"; "Keep folder" means nothing when extracting into the input folder.
void CPresetEditDlg::ApplyEnabling() {
    const bool bTest = m_preset.bTest != 0;
    m_arrBoxes[KEEP_NFO]->setEnabled(!bTest);
    m_arrBoxes[KEEP_SUBS]->setEnabled(!bTest);
    m_arrBoxes[KEEP_SUBS_FOLDER]->setEnabled(!bTest && m_preset.bSubs != 0);
    m_arrBoxes[CLEAN_UP]->setEnabled(!bTest);
    m_arrBoxes[KEEP_SAMPLE]->setEnabled(!bTest);
    m_arrBoxes[KEEP_COVERS]->setEnabled(!bTest);
    m_arrBoxes[KEEP_FOLDER]->setEnabled(!bTest && m_preset.bOutputToInput == 0);
    m_pOutput->setEnabled(!bTest);
}

void CPresetEditDlg::ShowOutput() {
    if (m_preset.bOutputToInput != 0) {
        m_pOutput->setText(QString::fromUtf8(ItemStates::OUTPUT_TO_INPUT_MARKER));
        m_pOutput->setToolTip(m_bShowTooltips ? QStringLiteral("Extract to input folder") : QString());
    } else {
        m_pOutput->setText(QString::fromStdString(m_preset.strOutputPath));
        m_pOutput->setToolTip(m_bShowTooltips ? QString::fromStdString(m_preset.strOutputPath) : QString());
    }
}

void CPresetEditDlg::contextMenuEvent(QContextMenuEvent* pEvent) {
    OpenOutputMenu(pEvent->globalPos());
    pEvent->accept();
}

void CPresetEditDlg::OpenOutputMenu(const QPoint& ptGlobal) {
    QMenu menu(this);
    QAction* pTitle = menu.addAction(QStringLiteral("Set output folder:"));
    pTitle->setEnabled(false);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Browse..."), this, &CPresetEditDlg::BrowseOutputFolder);
    menu.addAction(QStringLiteral("Set to input folder"), this, &CPresetEditDlg::SetToInputFolder);
    menu.exec(ptGlobal);
}

void CPresetEditDlg::SetToInputFolder() {
    m_preset.bOutputToInput = 1;
    ShowOutput();
    ApplyEnabling();
}

void CPresetEditDlg::BrowseOutputFolder() {
    const QString strFolder = fnBrowseFolder ? fnBrowseFolder(this, g_strLastBrowsed) : QString();
    if (strFolder.isEmpty())
        return;
    g_strLastBrowsed = strFolder;
    m_preset.bOutputToInput = 0;
    m_preset.strOutputPath = strFolder.toStdString();
    ShowOutput();
    ApplyEnabling();
}

bool CPresetEditDlg::Refuse(const std::string& strText, bool bSelectName) {
    m_messageBox.ShowMessage(strText, CMessageBox::EIcon::Error);
    m_pName->setFocus();
    if (bSelectName)
        m_pName->selectAll();
    return false;
}

void CPresetEditDlg::Save() {
    const std::string strName = m_pName->text().toStdString();
    // A name pasted past the limit never reaches the validator's typing path: checked here too.
    const EPresetNameCheck check = CheckPresetName(strName, m_arrPresets, m_nIndex);
    if (check != EPresetNameCheck::Ok) {
        Refuse(PresetNameMessage(check), SelectsPresetName(check));
        return;
    }
    if (m_pOutput->text().isEmpty())
        m_preset.bOutputToInput = 1;
    else
        m_preset.strOutputPath = m_pOutput->text().toStdString();
    m_preset.strName = strName;
    if (m_nIndex < 0) {
        if (static_cast<int>(m_arrPresets.size()) >= PRESET_MAX) {
            Refuse(PresetLimitMessage(), false);
            return;
        }
        m_arrPresets.push_back(m_preset);
        m_nIndex = static_cast<int>(m_arrPresets.size()) - 1;
    } else {
        m_arrPresets[static_cast<std::size_t>(m_nIndex)] = m_preset;
    }
    emit PresetSaved(m_nIndex);
    accept();
}
