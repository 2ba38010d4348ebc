#include "dialogs/DialogIcons.h"

#include "controls/CImageList.h"

namespace DialogIcons {

QIcon ListImage(int nIndex) {
    return CImageList::Instance().Icon(nIndex);
}

QIcon ButtonIcon(EButton button) {
    switch (button) {
        case EButton::New:
            return CImageList::Instance().Named(ENamedIcon::New);
        case EButton::Edit:
            return CImageList::Instance().Named(ENamedIcon::Edit);
        case EButton::Delete:
            return CImageList::Instance().Named(ENamedIcon::Delete);
        case EButton::Up:
            return CImageList::Instance().Named(ENamedIcon::Up);
        case EButton::Down:
            return CImageList::Instance().Named(ENamedIcon::Down);
        case EButton::Close:
            return CImageList::Instance().Named(ENamedIcon::Close);
        case EButton::Save:
            return CImageList::Instance().Named(ENamedIcon::Save);
        case EButton::Ok:
            return CImageList::Instance().Named(ENamedIcon::Ok);
        case EButton::Cancel:
            return CImageList::Instance().Named(ENamedIcon::Cancel);
        case EButton::Apply:
            return CImageList::Instance().Named(ENamedIcon::Apply);
    }
    return QIcon();
}

QIcon WindowIcon(EWindow window) {
    switch (window) {
        case EWindow::Program:
            return CImageList::Instance().Named(ENamedIcon::App);
        case EWindow::Presets:
            return CImageList::Instance().Named(ENamedIcon::PresetsWindow);
        case EWindow::Preferences:
            return CImageList::Instance().Named(ENamedIcon::PreferencesWindow);
        case EWindow::Help:
            return CImageList::Instance().Named(ENamedIcon::HelpWindow);
        case EWindow::Changelog:
            return CImageList::Instance().Named(ENamedIcon::ChangelogWindow);
        case EWindow::ErrorReport:
            return CImageList::Instance().Named(ENamedIcon::ErrorReportWindow);
        case EWindow::CleanupReport:
            return CImageList::Instance().Named(ENamedIcon::CleanupReportWindow);
    }
    return QIcon();
}

}  // namespace DialogIcons

#include "controls/CThemeHelperST.h"
#include "controls/CXPStyleButtonST.h"

namespace DialogIcons {

QPushButton* ThemedButton(const QString& strText, const QIcon& icon, QWidget* pParent) {
    static CThemeHelperST theme;
    auto* pButton = new CXPStyleButtonST(strText, pParent);
    pButton->SetThemeHelper(&theme);
    if (!icon.isNull())
        pButton->SetIcon(icon);
    return pButton;
}

}  // namespace DialogIcons
