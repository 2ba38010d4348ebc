#pragma once
// A text label with its own text colour (default black) and background
// colour (default the system's button face), filled edge to edge. Each
// change repaints at once. The status line of the main window is one.

#include <QColor>
#include <QLabel>

class CColorStatic : public QLabel {
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* pParent = nullptr);
    explicit CColorStatic(const QString& strText, QWidget* pParent = nullptr);

    void SetTextColor(const QColor& colour);
    void SetBkColor(const QColor& colour);
    QColor TextColor() const { return m_textColour; }
    QColor BkColor() const { return m_bkColour; }

private:
    void ApplyColours();

    QColor m_textColour;
    QColor m_bkColour;
};
