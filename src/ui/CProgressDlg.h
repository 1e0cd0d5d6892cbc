#pragma once

#include "device/ApplySetting.h"
#include "ui/SkinDialog.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>

#include <optional>

namespace kavrel {

// The skinned progress dialog a long device operation runs behind: a bar
// made of two pictures as large as the dialog (empty and full), a line of
// white text over them, and a close button that ends the dialog with Cancel
// while the operation goes on. The keyboard cannot dismiss it.
//
// The caller sets the pictures, range, position, bar and text, then runs it
// modally. While it runs, message 1067 (wParam the new position) moves the
// bar and close() ends it. Without either picture it shows the plain message
// which picture is missing (once per run) and closes as soon as it runs.
// The window title comes from the text table (tc_progress_title).
//
// Child name for tests: "close".
class CProgressDlg : public SkinDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* owner);

    // Full paths of the bar pictures; the dialog takes the empty one's size.
    void setPictures(const QString& emptyPicture, const QString& fullPicture);
    void setRange(int minimum, int maximum);
    // Stores the position when minimum <= p <= maximum, otherwise the minimum
    // (a position above the maximum is not held at the maximum), and repaints
    // at once.
    void setPos(int position);
    // Left and right edge of the bar inside the pictures (top and bottom unused).
    void setBarRect(const QRect& bar);
    void setText(const QString& text, const QRect& rect);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int position() const { return m_position; }
    // The right edge of the full picture's part drawn now. An empty or
    // reversed range draws an empty bar.
    int fillEdge() const;
    // Whether the keyboard took the apply this dialog stood for; nothing until its worker said so.
    std::optional<bool> applyOutcome() const { return m_applyOutcome; }
    void setApplyOutcome(bool applied) { m_applyOutcome = applied; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_empty;
    QImage m_full;
    int m_minimum = 0;
    int m_maximum = 10;
    int m_position = 0;
    int m_barLeft = 0;
    int m_barRight = 0;
    QString m_text;
    QRect m_textRect;
    QFont m_font;
    std::optional<bool> m_applyOutcome;
};

// The apply worker's progress target for a progress dialog: progress and
// close are called on the worker thread and carried out on the interface
// thread (queued), each as message 1067 / a close of the dialog. A dialog
// that has gone (closed early and destroyed) turns them into no-ops. The
// object deletes itself once close() has been called, so the worker may use
// it for as long as it needs, whatever happens to the dialog meanwhile.
class QueuedApplyProgress final : public ApplyProgress {
public:
    static QueuedApplyProgress* create(CProgressDlg* dialog);

    void progress(int percent) override;
    void finished(bool applied) override;
    void close() override;

private:
    explicit QueuedApplyProgress(CProgressDlg* dialog);
    ~QueuedApplyProgress() override = default;

    QPointer<CProgressDlg> m_dialog; // read only on the interface thread
};

} // namespace kavrel
