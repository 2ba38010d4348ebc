#pragma once
// A label that can act as a hyperlink: in link mode a left click opens its
// address with the desktop's default handler (QDesktopServices::openUrl)
// and the link cursor (the pointing hand) is shown over it. Its text is
// drawn in its own colour on a transparent background in the system's GUI
// font, optionally underlined. Setters return the label, for chaining.

#include <QColor>
#include <QCursor>
#include <QLabel>
#include <QUrl>

class CLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLabel(QWidget* pParent = nullptr);
    explicit CLabel(const QString& strText, QWidget* pParent = nullptr);

    CLabel& SetLink(bool bLink);
    CLabel& SetLinkCursor(const QCursor& cursor);
    CLabel& SetTextColor(const QColor& colour);
    CLabel& SetUnderline(bool bUnderline);
    CLabel& SetUrl(const QString& strUrl);

    bool IsLink() const { return m_bLink; }
    QColor TextColor() const { return m_textColour; }
    bool IsUnderlined() const { return font().underline(); }
    QString Url() const { return m_strUrl; }

signals:
    // A click in link mode, before the address is opened.
    void LinkClicked(const QString& strUrl);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    void Init();
    void ApplyColour();

    bool m_bLink = false;
    bool m_bPressed = false;
    QCursor m_linkCursor;
    QColor m_textColour;
    QString m_strUrl;
};
