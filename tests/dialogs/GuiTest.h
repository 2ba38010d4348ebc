#pragma once
// What the dialog tests share: one QApplication on the offscreen platform, the person who
// answers message boxes, and a way to act on a modal window once it is open.

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "engine/CMessageBox.h"
#include "tests/support/CWindowWatch.h"

inline QApplication* EnsureGuiApp() {
    if (QApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "dialogs_tests";
        static char* argv[] = {name, nullptr};
        static QApplication* pApp = new QApplication(argc, argv);
        return pApp;
    }
    return qobject_cast<QApplication*>(QApplication::instance());
}

// The person at the message box: records every box and gives one answer.
class CAnsweringMessageBox : public CMessageBox {
public:
    struct CShown {
        std::string strText;
        EIcon icon;
        EButtons buttons;
    };
    std::vector<CShown> arrShown;
    EAnswer answer = EAnswer::Ok;

    EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons buttons) override {
        arrShown.push_back({strText, icon, buttons});
        return answer;
    }
    std::string Last() const { return arrShown.empty() ? std::string() : arrShown.back().strText; }
};

// A click on a check box's indicator (a stretched box ignores clicks past its text).
inline void ClickBox(QAbstractButton* pBox) {
    QTest::mouseClick(pBox, Qt::LeftButton, {}, QPoint(8, pBox->height() / 2));
}

// Types text as key presses, one per character (a character outside the basic plane is
// one key press carrying both of its UTF-16 units), as an input method delivers it.
inline void TypeText(QWidget* pWidget, const QString& strText) {
    for (char32_t c : strText.toUcs4()) {
        const QString strKey = QString::fromUcs4(&c, 1);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, strKey);
        QApplication::sendEvent(pWidget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, strKey);
        QApplication::sendEvent(pWidget, &release);
    }
}
