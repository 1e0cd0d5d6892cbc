#pragma once

#include "controls/OffscreenBuffer.h"

#include <QDialog>
#include <QImage>

// What every skinned modal dialog shares: no caption bar (a press on the
// background drags the dialog), no background erase (painting covers the
// whole dialog), a size taken from its background picture and a place
// centred on the window that owns it.
namespace kavrel {

// Centring on an owner: each difference (owner size - dialog size) is halved
// rounding down, so that a dialog larger than its owner overhangs it equally.
// Without an owner the dialog is centred on the primary screen. On Wayland
// the compositor may place the window elsewhere: this is asked for, not
// guaranteed.
QPoint centredOnOwner(const QWidget* owner, QSize size);

class SkinDialog : public QDialog {
    Q_OBJECT
public:
    explicit SkinDialog(QWidget* owner);

protected:
    // Sizes the dialog; it is centred on its owner each time it is shown.
    void setSkinSize(QSize size);
    // Sizes the dialog to its background picture and gives it the picture's
    // outline when the picture has transparent parts.
    void setSkinBackground(const QImage& background);

    void showEvent(QShowEvent* event) override;
    // A left press on the background starts a window move by the system.
    void mousePressEvent(QMouseEvent* event) override;

    OffscreenBuffer m_buffer;

private:
    QWidget* m_owner;
};

} // namespace kavrel
