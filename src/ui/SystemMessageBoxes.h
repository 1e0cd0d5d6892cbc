#pragma once

#include "platform/MessageBox.h"

#include <QObject>
#include <QPointer>

#include <string_view>
#include <vector>

class QMessageBox;

namespace kavrel {

// The window program's plain system message boxes ("Error", "Warning",
// "Info" and the few captionless ones). While an instance lives it is the
// handler of platform::showMessageBox:
// - called on the interface thread, the box is modal and the call returns
//   when the user has closed it;
// - called from any other thread (the apply worker), the box is queued to the
//   interface thread and shown there without blocking anyone; the call
//   returns at once, so a worker never waits for the interface.
// A box queued while the instance is being destroyed is dropped; boxes still
// open when it goes are closed. Create it on the interface thread, after the
// application object.
class SystemMessageBoxes : public QObject {
    Q_OBJECT
public:
    SystemMessageBoxes();
    ~SystemMessageBoxes() override;

    // The handler's work, usable by any other sink of messages (thread-safe).
    static void show(const QPointer<SystemMessageBoxes>& boxes, std::string_view caption, std::string_view text,
        platform::BoxIcon icon);

    // Boxes shown without blocking and not closed yet.
    int openBoxes() const;

private:
    QMessageBox* makeBox(const QString& caption, const QString& text, platform::BoxIcon icon) const;
    void showModal(const QString& caption, const QString& text, platform::BoxIcon icon);
    void showQueued(const QString& caption, const QString& text, platform::BoxIcon icon);

    std::vector<QPointer<QMessageBox>> m_open;
    platform::MessageBoxHandler m_previous;
};

} // namespace kavrel
