#pragma once

#include <QWidget>

#include <cstdint>

namespace kavrel {

// A colour swatch: a small child window showing one colour (or, crossed out,
// no colour) in a frame. A left-button release over it posts message 1086 to
// its parent, wParam 1 when it is not selected and 0 when it is, lParam its
// value. It never changes its own look: the parent sets the selected state
// and the colour. Colours are COLORREF values (0x00BBGGRR).
//
// From the keyboard: Tab gives it the focus (a dashed ring shows it while the
// keyboard moves the focus) and
// Space or Enter then does what a click does. Screen readers see a button
// named by its accessible name.
class CColorBtnDlg : public QWidget {
    Q_OBJECT
public:
    explicit CColorBtnDlg(QWidget* parent);

    void setColor(std::uint32_t color);
    void setSelected(bool selected);
    void setSelectedFrameColor(std::uint32_t color);
    void setNormalFrameColor(std::uint32_t color);
    void setValue(int value) { m_value = value; }
    void setCrossedOut(bool crossed);

    std::uint32_t color() const { return m_color; }
    bool isSelected() const { return m_selected; }
    std::uint32_t selectedFrameColor() const { return m_selectedFrame; }
    std::uint32_t normalFrameColor() const { return m_normalFrame; }
    int value() const { return m_value; }
    bool isCrossedOut() const { return m_crossed; }

public slots:
    // What a click does: tells the parent (message 1086).
    void press();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void report();

    std::uint32_t m_color = 0x00FF00;
    bool m_selected = false;
    std::uint32_t m_selectedFrame = 0x969696;
    std::uint32_t m_normalFrame = 0x00FF00;
    int m_value = 0;
    bool m_crossed = false;
};

} // namespace kavrel
