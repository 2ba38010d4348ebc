#include "controls/CColorStatic.h"

#include <QApplication>

CColorStatic::CColorStatic(QWidget* pParent) : CColorStatic(QString(), pParent) {}

CColorStatic::CColorStatic(const QString& strText, QWidget* pParent)
    : QLabel(strText, pParent),
      m_textColour(Qt::black),
      m_bkColour(QApplication::palette().color(QPalette::Button)) {
    setAutoFillBackground(true);
    ApplyColours();
}

void CColorStatic::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    ApplyColours();
}

void CColorStatic::SetBkColor(const QColor& colour) {
    m_bkColour = colour;
    ApplyColours();
}

void CColorStatic::ApplyColours() {
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::WindowText, m_textColour);
        pal.setColor(group, QPalette::Window, m_bkColour);
    }
    setPalette(pal);
    update();
}
