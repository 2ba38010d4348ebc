#include "batch/CBatchRunner.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "batch/BatchParts.h"
#include "engine/CItemAdder.h"
#include "engine/CItemStates.h"
#include "engine/ItemMenuHelpers.h"
#include "engine/PathHelpers.h"

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string KindName(int nKind) {
    switch (nKind) {
        case 1:
            return "precaution";
        case 2:
            return "error";
        case 3:
            return "folder";
        default:
            return "unknown";
    }
}

// Error lines end in "\r\n" (a stand-alone line carries an extra empty one): shown one a line.
std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

}  // namespace

CBatchRunner::CBatchRunner(CBatchOptions options, CSettings settings, std::vector<CPresets> arrPresets,
                           std::ostream& out, std::ostream& err)
    : m_options(std::move(options)),
      m_settings(std::move(settings)),
      m_arrPresets(std::move(arrPresets)),
      m_out(out),
      m_err(err),
      m_output(m_list, m_settings) {
    CMainOptions main = CMainOptions::FromSettings(m_settings);
    auto apply = [](int& nField, const std::optional<bool>& value) {
        if (value)
            nField = *value ? 1 : 0;
    };
    apply(main.bTest, m_options.bTest);
    apply(main.bMainFolder, m_options.bKeepFolder);
    apply(main.bSample, m_options.bKeepSample);
    apply(main.bCovers, m_options.bKeepCovers);
    apply(main.bNfo, m_options.bKeepNfo);
    apply(main.bSubs, m_options.bKeepSubs);
    apply(main.bSubsFolder, m_options.bKeepSubsFolder);
    apply(main.bCleanUp, m_options.bCleanUp);
    m_list.SetMainOptions(main);
    m_list.SetPresets(&m_arrPresets);
    m_pDriver = std::make_unique<CDriver>(m_list);
    m_pDriver->bPasswordPrompt = m_options.bNoPasswordPrompt ? 0 : m_settings.bPasswordPrompt;
    if (m_options.strPassword)
        m_pDriver->strPassword = *m_options.strPassword;
}

CBatchRunner::~CBatchRunner() = default;

void CBatchRunner::AddPaths() {
    // Through the program's own adding routine (CItemAdder), so that the items are
    // exactly those "Add folder", a drop or the command line make. A path that does not
    // exist is refused here already, with its own reason.
    std::vector<CAddCandidate> arrCandidates;
    std::vector<std::string> arrGiven;
    const int nPreset = m_options.nPreset > 0 ? m_options.nPreset - 1 : -1;
    for (const std::string& strGiven : m_options.arrPaths) {
        const std::string strPath = AbsolutePath(strGiven);
        struct stat st {};
        if (strPath.empty() || stat(strPath.c_str(), &st) != 0) {
            m_arrRejected.push_back(strGiven + ": no such file or folder");
            continue;
        }
        arrCandidates.push_back({strPath, nPreset});
        arrGiven.push_back(strGiven);
    }
    if (arrCandidates.empty())
        return;
    const int nFirstNewRow = m_list.RowCount();
    const CItemAdder::CResult result = CItemAdder(m_list, m_output).AddItems(arrCandidates);
    for (std::size_t i = 0; i < result.arrCandidates.size() && i < arrGiven.size(); ++i) {
        switch (result.arrCandidates[i]) {
            case CItemAdder::ECandidate::Accepted:
                break;
            case CItemAdder::ECandidate::Unacceptable:
                m_arrRejected.push_back(arrGiven[i] + ": neither a folder nor a RAR or ZIP file");
                break;
            case CItemAdder::ECandidate::TooLong:
                m_arrRejected.push_back(arrGiven[i] + ": the path is too long");
                break;
            case CItemAdder::ECandidate::Duplicate:
                m_arrRejected.push_back(arrGiven[i] + ": Already in list");
                break;
        }
    }
    // The output choice of the command line replaces the initial one; a preset's own
    // output folder still comes first, as for every item.
    if (!m_options.strOutput && !m_options.bOutputToInput)
        return;
    for (int nRow = nFirstNewRow; nRow < m_list.RowCount(); ++nRow) {
        CListItem* pItem = m_list.ItemAtRow(nRow);
        if (pItem == nullptr)
            continue;
        pItem->bOutputToInput = m_options.strOutput ? 0 : 1;
        pItem->strOutputFolder = m_options.strOutput ? NormalizePath(AbsolutePath(*m_options.strOutput)) : "";
        m_output.RefreshOutputColumn(nRow);
    }
}

bool CBatchRunner::PrepareOutputFolder() {
    if (!m_options.strOutput)
        return true;
    // Only when some item extracts at all: a test run writes nothing.
    bool bExtracts = false;
    for (int nRow = 0; nRow < m_list.RowCount(); ++nRow)
        bExtracts = bExtracts || !m_list.GetItemOption(CJobList::OPTION_TEST, nRow);
    if (!bExtracts)
        return true;
    // Created with its parents, as unzip -d and 7z -o do.
    const std::string strFolder = AbsolutePath(*m_options.strOutput);
    std::error_code ec;
    std::filesystem::create_directories(strFolder, ec);
    if (ec || !IsFolderAvailable(strFolder)) {
        m_err << "harvex-batch: cannot create the output folder " << strFolder << ": "
              << (ec ? ec.message() : std::string("not a folder")) << "\n";
        return false;
    }
    return true;
}

int CBatchRunner::Run() {
    if (m_options.nPreset > static_cast<int>(m_arrPresets.size())) {
        m_err << "harvex-batch: there is no preset " << m_options.nPreset << " (the settings hold "
              << m_arrPresets.size() << ")\n";
        return 2;
    }
    AddPaths();
    for (const std::string& strReason : m_arrRejected)
        m_err << "harvex-batch: " << strReason << "\n";
    if (!PrepareOutputFolder())
        return 1;

    m_pUnzip = LoadUnzipLibrary(strUnzipLibrary);
    CDriver& driver = *m_pDriver;
    driver.strUnrarExe = strUnrarExe;
    driver.pUnzip = m_pUnzip.get();
    driver.pPasswordPrompt = pPasswordPrompt;
    m_arrOutputs.assign(static_cast<std::size_t>(m_list.ItemCount()), std::string());
    driver.fnResolveOutputFolder = [this](int nRow) {
        const std::string strOutput = m_output.ResolveOutputFolder(nRow);
        const int nIndex = m_list.FindIndex(nRow);
        if (nIndex >= 0 && nIndex < static_cast<int>(m_arrOutputs.size()))
            m_arrOutputs[static_cast<std::size_t>(nIndex)] = strOutput;
        return strOutput;
    };

    if (m_list.RowCount() > 0) {
        QEventLoop loop;
        QObject::connect(&driver, &CDriver::RunFinished, &loop, &QEventLoop::quit);
        QObject::connect(&driver, &CDriver::RowFinished, this, [this](int nRow) {
            if (!m_options.bJson)
                PrintRowResult(nRow);
        });
        QTimer progressTimer;
        if (bProgressLine && !m_options.bJson) {
            QObject::connect(&progressTimer, &QTimer::timeout, this, [this] { ShowProgress(); });
            progressTimer.start(250);
        }
        if (driver.Go() == CDriver::EGoResult::Started)
            loop.exec();
        progressTimer.stop();
    }

    if (m_options.bJson)
        m_out << JsonReport() << "\n";
    else
        PrintReports();
    m_out.flush();

    if (!m_arrRejected.empty() || m_list.RowCount() == 0)
        return 1;
    for (const CListItem& item : m_list.Items())
        if (item.strStatus != ItemStates::COMPLETED)
            return 1;
    return 0;
}

void CBatchRunner::ShowProgress() {
    const int nRow = m_pDriver->CurrentRow();
    if (nRow < 0 || nRow >= m_list.RowCount())
        return;
    const CProgress& progress = m_pDriver->progress;
    std::string strLine = "[" + std::to_string(nRow + 1) + "/" + std::to_string(m_list.RowCount()) + "] " +
                          m_list.RowText(nRow, CJobList::COLUMN_NAME);
    if (!progress.bIndeterminate && progress.bBarShown)
        strLine += "  " + std::to_string(progress.nProgressPercent.load()) + "%";
    m_err << "\r\033[K" << strLine << std::flush;
    m_bProgressShown = true;
}

void CBatchRunner::PrintRowResult(int nRow) {
    if (m_bProgressShown) {
        m_err << "\r\033[K" << std::flush;
        m_bProgressShown = false;
    }
    const CListItem* pItem = m_list.ItemAtRow(nRow);
    if (pItem == nullptr)
        return;
    m_out << m_list.RowText(nRow, CJobList::COLUMN_NAME) << ": " << pItem->strResult;
    if (pItem->strStatus == ItemStates::CLEANUP_LEFT)
        m_out << " " << pItem->strTime;
    m_out << "\n" << std::flush;
}

void CBatchRunner::PrintReports() {
    for (int nRow = 0; nRow < m_list.RowCount(); ++nRow) {
        const CListItem* pItem = m_list.ItemAtRow(nRow);
        if (pItem == nullptr || pItem->strStatus == ItemStates::COMPLETED)
            continue;
        if (pItem->strStatus.empty()) {
            m_out << "\n" << pItem->strPath << ": not processed\n";
            continue;
        }
        m_out << "\n" << pItem->strPath << ": " << pItem->strStatus << "\n";
        for (const std::string& strLine : pItem->arrErrors) {
            const std::string strText = Trimmed(strLine);
            if (!strText.empty())
                m_out << "  " << strText << "\n";
        }
        // The clean-up report's grouping, as its window shows it.
        for (const CReportRow& row : CleanUpReportRows(*pItem))
            m_out << (row.nImage == CLEANUP_HEADING_IMAGE ? "  " : "    ") << row.strText << "\n";
    }
}

std::string CBatchRunner::JsonReport() {
    QJsonArray arrItems;
    for (int nRow = 0; nRow < m_list.RowCount(); ++nRow) {
        const int nIndex = m_list.FindIndex(nRow);
        if (nIndex < 0)
            continue;
        const CListItem& item = m_list.Item(nIndex);
        QJsonObject obj;
        obj["path"] = Q(item.strPath);
        obj["type"] = Q(item.strType);
        obj["strStatus"] = Q(item.strStatus);
        obj["strResult"] = Q(item.strResult);
        obj["strTime"] = Q(item.strTime);
        QJsonArray arrErrors;
        for (const std::string& strLine : item.arrErrors)
            arrErrors.append(Q(strLine));
        obj["arrErrors"] = arrErrors;
        QJsonArray arrCleanUp;
        for (const CleanUpInfo& info : item.arrCleanUp) {
            QJsonObject entry;
            entry["strPath"] = Q(info.strPath);
            entry["strMessage"] = Q(info.strMessage);
            entry["nKind"] = info.nKind;
            entry["kind"] = Q(KindName(info.nKind));
            arrCleanUp.append(entry);
        }
        obj["arrCleanUp"] = arrCleanUp;
        QJsonArray arrNewFiles;
        for (const std::string& strPath : item.arrNewFiles)
            arrNewFiles.append(Q(strPath));
        obj["arrNewFiles"] = arrNewFiles;
        const std::string strOutput = static_cast<std::size_t>(nIndex) < m_arrOutputs.size() &&
                                              !m_arrOutputs[static_cast<std::size_t>(nIndex)].empty()
                                          ? m_arrOutputs[static_cast<std::size_t>(nIndex)]
                                          : m_output.ResolveOutputFolder(nRow);
        obj["outputFolder"] = Q(strOutput);
        arrItems.append(obj);
    }
    QJsonArray arrRejected;
    for (const std::string& strReason : m_arrRejected)
        arrRejected.append(Q(strReason));
    QJsonObject root;
    root["items"] = arrItems;
    root["rejected"] = arrRejected;
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}
