#include "controls/CLabel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>

CLabel::CLabel(QWidget* pParent) : QLabel(pParent) {
    Init();
}

CLabel::CLabel(const QString& strText, QWidget* pParent) : QLabel(strText, pParent) {
    Init();
}

void CLabel::Init() {
    m_linkCursor = QCursor(Qt::PointingHandCursor);
    m_textColour = QApplication::palette().color(QPalette::WindowText);
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
    ApplyColour();
}

CLabel& CLabel::SetLink(bool bLink) {
    m_bLink = bLink;
    if (m_bLink) {
        setCursor(m_linkCursor);
    } else {
        unsetCursor();
    }
    return *this;
}

CLabel& CLabel::SetLinkCursor(const QCursor& cursor) {
    m_linkCursor = cursor;
    if (m_bLink) {
        setCursor(m_linkCursor);
    }
    return *this;
}

CLabel& CLabel::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    ApplyColour();
    return *this;
}

CLabel& CLabel::SetUnderline(bool bUnderline) {
    QFont f = font();
    f.setUnderline(bUnderline);
    setFont(f);
    return *this;
}

CLabel& CLabel::SetUrl(const QString& strUrl) {
    m_strUrl = strUrl;
    return *this;
}

void CLabel::ApplyColour() {
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::WindowText, m_textColour);
    }
    setPalette(pal);
    update();
}

void CLabel::mousePressEvent(QMouseEvent* pEvent) {
    if (m_bLink && pEvent->button() == Qt::LeftButton) {
        m_bPressed = true;
        pEvent->accept();
        return;
    }
    QLabel::mousePressEvent(pEvent);
}

void CLabel::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (m_bLink && m_bPressed && pEvent->button() == Qt::LeftButton) {
        m_bPressed = false;
        pEvent->accept();
        if (rect().contains(pEvent->position().toPoint())) {
            emit LinkClicked(m_strUrl);
            if (!m_strUrl.isEmpty()) {
                QDesktopServices::openUrl(QUrl::fromUserInput(m_strUrl));
            }
        }
        return;
    }
    QLabel::mouseReleaseEvent(pEvent);
}
