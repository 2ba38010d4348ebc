#pragma once
// The message-box interface answered by a real QMessageBox over a parent window.
// GUI thread only.

#include <QPointer>
#include <QWidget>

#include "engine/CMessageBox.h"

class CWidgetMessageBox : public CMessageBox {
public:
    explicit CWidgetMessageBox(QWidget* pParent = nullptr) : m_pParent(pParent) {}
    void SetParent(QWidget* pParent) { m_pParent = pParent; }
    EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons buttons = EButtons::Ok) override;

private:
    QPointer<QWidget> m_pParent;
};
