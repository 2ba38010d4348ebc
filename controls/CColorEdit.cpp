#include "controls/CColorEdit.h"

#include <QApplication>

CColorEdit::CColorEdit(QWidget* pParent)
    : QPlainTextEdit(pParent),
      m_textColour(Qt::black),
      m_bkColour(QApplication::palette().color(QPalette::Button)) {
    ApplyColours();
}

void CColorEdit::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    ApplyColours();
}

void CColorEdit::SetBkColor(const QColor& colour) {
    m_bkColour = colour;
    ApplyColours();
}

void CColorEdit::ApplyColours() {
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, m_textColour);
        pal.setColor(group, QPalette::Base, m_bkColour);
    }
    setPalette(pal);
    viewport()->setPalette(pal);
    viewport()->update();
    update();
}
