#include "ui/CProgressDlg.h"

#include "controls/ButtonFactory.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "platform/MessageBox.h"
#include "ui/KeyCapture.h"
#include "ui/MissingPictures.h"
#include "ui/WindowBasics.h"

#include <QCoreApplication>
#include <QPainter>
#include <QShowEvent>

namespace kavrel {
namespace {

constexpr QPoint ClosePosition(489, 8);
const ButtonFiles CloseFiles{"exit_nr.png", "exit_ov.png", "exit_ov.png"};
constexpr std::uint32_t TextColor = 0xFFFFFF;

// Runs `call` on the interface thread with the dialog, when it still exists then.
template <class Call> void onInterfaceThread(const QPointer<CProgressDlg>& dialog, Call call)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [dialog, call] {
            if (dialog)
                call(*dialog);
        },
        Qt::QueuedConnection);
}

} // namespace

CProgressDlg::CProgressDlg(QWidget* owner)
    : SkinDialog(owner)
    , m_font(shellDlgFont(14, 300))
{
    setObjectName("progressDlg");
    setWindowTitle(text("tc_progress_title"));
    if (CPngBtn* close = create_skin_button_at(this, ClosePosition, CloseFiles, nullptr, 0, 0)) {
        close->setObjectName("close");
        // The keyboard cannot dismiss the dialog: its only button is for the mouse.
        close->setFocusPolicy(Qt::NoFocus);
        connect(close, &CPngBtn::clicked, this, &CProgressDlg::reject);
    }
    SwallowKeysFilter::Keys keys;
    keys.help = false;
    new SwallowKeysFilter(this, keys);
    setSkinSize(QSize(1, 1));
}

void CProgressDlg::setPictures(const QString& emptyPicture, const QString& fullPicture)
{
    m_empty = loadImageFile(emptyPicture);
    m_full = loadImageFile(fullPicture);
    if (!m_empty.isNull())
        setSkinBackground(m_empty);
}

void CProgressDlg::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

void CProgressDlg::setPos(int position)
{
    m_position = (position >= m_minimum && position <= m_maximum) ? position : m_minimum;
    if (isVisible())
        repaint();
}

void CProgressDlg::setBarRect(const QRect& bar)
{
    m_barLeft = bar.left();
    m_barRight = bar.left() + bar.width();
}

void CProgressDlg::setText(const QString& text, const QRect& rect)
{
    m_text = text;
    m_textRect = rect;
    update();
}

int CProgressDlg::fillEdge() const
{
    if (m_maximum <= m_minimum)
        return m_barLeft;
    // In 64 bits: a wide range times a wide bar does not overflow.
    const long long done = (long long)(m_position - (long long)m_minimum) * (m_barRight - m_barLeft);
    return int(done / ((long long)m_maximum - m_minimum)) + m_barLeft;
}

bool CProgressDlg::event(QEvent* event)
{
    if (WindowMessageEvent* message = asWindowMessage(event)) {
        if (message->message() == MsgApplyProgress) {
            setPos(int(message->wParam()));
            message->setResult(1);
        }
        return true;
    }
    return SkinDialog::event(event);
}

void CProgressDlg::showEvent(QShowEvent* event)
{
    SkinDialog::showEvent(event);
    if (event->spontaneous() || (!m_empty.isNull() && !m_full.isNull()))
        return;
    tellMissingSkinPicture(m_empty.isNull() ? "progress_nr.png" : "progress_ov.png");
    QMetaObject::invokeMethod(this, &CProgressDlg::close, Qt::QueuedConnection);
}

void CProgressDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    draw_image(painter, m_empty, 0, 0, width(), height());
    const int fill = fillEdge();
    if (fill > 0)
        draw_image(painter, m_full, QRectF(0, 0, fill, height()), QRectF(0, 0, fill, height()));
    painter.end();
    m_buffer.copyTo(this);
    if (m_text.isEmpty())
        return;
    QPainter text(this);
    text.setFont(m_font);
    text.setPen(colorOfColorRef(TextColor));
    drawSkinText(text, m_textRect, m_text, StandardTextFormat);
}

QueuedApplyProgress* QueuedApplyProgress::create(CProgressDlg* dialog)
{
    return new QueuedApplyProgress(dialog);
}

QueuedApplyProgress::QueuedApplyProgress(CProgressDlg* dialog)
    : m_dialog(dialog)
{
}

void QueuedApplyProgress::progress(int percent)
{
    onInterfaceThread(m_dialog,
        [percent](CProgressDlg& dialog) { sendWindowMessage(&dialog, MsgApplyProgress, std::uintptr_t(percent)); });
}

void QueuedApplyProgress::finished(bool applied)
{
    onInterfaceThread(m_dialog, [applied](CProgressDlg& dialog) { dialog.setApplyOutcome(applied); });
}

void QueuedApplyProgress::close()
{
    onInterfaceThread(m_dialog, [](CProgressDlg& dialog) { dialog.close(); });
    delete this;
}

} // namespace kavrel
