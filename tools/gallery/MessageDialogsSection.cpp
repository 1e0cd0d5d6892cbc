// The real message box in its styles, the progress dialog at 70 % and the
// colour swatches, each rendered from the window classes the program runs.
#include "Sections.h"

#include "app/Paths.h"
#include "controls/WindowMessage.h"
#include "ui/CColorBtnDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/CProgressDlg.h"

#include <QLineEdit>

#include <functional>

namespace kavrel::gallery {

namespace {

constexpr int Gap = 30;

QImage grabbed(QWidget& window, const std::function<void()>& prepare = {})
{
    window.show();
    if (prepare)
        prepare(); // after the show, whose focus-in would select the field's text
    const QImage image = window.grab().toImage();
    window.hide();
    return image;
}

QImage messageBox(int style, const QString& text, const std::function<void(CMsgDlg&)>& prepare = {})
{
    CMsgDlg box(style, nullptr);
    box.setMessage(text);
    return grabbed(box, [&] {
        if (prepare)
            prepare(box);
    });
}

QImage progressAt70()
{
    CProgressDlg dialog(nullptr);
    const QString skins = QString::fromStdString(SkinsFolder());
    dialog.setPictures(skins + "progress_nr.png", skins + "progress_ov.png");
    dialog.setRange(0, 100);
    dialog.setBarRect(QRect(45, 101, 441, 22));
    dialog.setText("Writing the settings to the keyboard...", QRect(45, 60, 441, 20));
    return grabbed(dialog, [&] { sendWindowMessage(&dialog, MsgApplyProgress, 70); });
}

// The two swatches of the key function picker, not selected and selected, on a dark strip, four times enlarged.
QImage swatches()
{
    QWidget strip;
    strip.setFixedSize(4 * 22 + 5 * 10, 42);
    strip.setStyleSheet("background: #202226");
    for (int i = 0; i < 4; ++i) {
        auto* swatch = new CColorBtnDlg(&strip);
        swatch->setGeometry(10 + i * 32, 10, 22, 22);
        swatch->setNormalFrameColor(0x969696);
        swatch->setSelectedFrameColor(0x1513BD);
        swatch->setColor(i < 2 ? 0x0000FF : 0);
        swatch->setCrossedOut(i >= 2);
        swatch->setSelected(i % 2 == 1);
    }
    const QImage image = grabbed(strip);
    QImage enlarged = image.scaled(image.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation);
    enlarged.setDevicePixelRatio(image.devicePixelRatio());
    return enlarged;
}

} // namespace

void addMessageDialogs(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Message and progress dialogs",
        "CMsgDlg: information, question, text input with text, key capture after left Ctrl; CProgressDlg at 70 %; "
        "CColorBtnDlg red and crossed out, each not selected and selected (4x)");
    const int left = GalleryCanvas::Margin;
    const QImage info = messageBox(CMsgDlg::Information, "The settings were written to the keyboard.");
    const QImage question = messageBox(CMsgDlg::Question, "Restore the default function of this key?");
    const QImage text = messageBox(CMsgDlg::TextInput,
        "Name of the new profile:", [](CMsgDlg& box) { box.findChild<QLineEdit*>("input")->setText("Shooter"); });
    const QImage capture = messageBox(CMsgDlg::KeyCapture, "Press the key for this step:", [](CMsgDlg& box) {
        box.setResetModifiers(true);
        sendWindowMessage(&box, MsgKeyEvent, 162, 0);
    });
    const QImage progress = progressAt70();
    const QImage swatch = swatches();

    const QSize box = logicalSize(info);
    const QPoint at[] = {{left, top}, {left + box.width() + Gap, top}, {left, top + box.height() + Gap},
        {left + box.width() + Gap, top + box.height() + Gap}};
    const QImage* boxes[] = {&info, &question, &text, &capture};
    for (int i = 0; i < 4; ++i)
        canvas.addLatePicture(at[i], *boxes[i]);
    const int row = top + 2 * (box.height() + Gap);
    canvas.addLatePicture(QPoint(left, row), progress);
    canvas.addLatePicture(QPoint(left + logicalSize(progress).width() + Gap, row), swatch);
    canvas.endSection(row + std::max(logicalSize(progress).height(), logicalSize(swatch).height()));
}

} // namespace kavrel::gallery
