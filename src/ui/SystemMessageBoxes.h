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
// application object. Its sink() gives the same boxes to the apply worker.
class SystemMessageBoxes : public QObject {
    Q_OBJECT
public:
    SystemMessageBoxes();
    ~SystemMessageBoxes() override;

    // The handler's work: modal on the interface thread, queued from any other.
    static void show(const QPointer<SystemMessageBoxes>& boxes, std::string_view caption, std::string_view text,
        platform::BoxIcon icon);
    // Queued to the interface thread from any thread, shown there without blocking.
    static void queue(const QPointer<SystemMessageBoxes>& boxes, std::string_view caption, std::string_view text,
        platform::BoxIcon icon);

    // The sink to hand the apply worker: post() queues the message to the
    // interface thread and returns at once. It lives as long as this object;
    // stop the worker before destroying it.
    platform::MessageSink& sink() { return m_sink; }

    // Boxes shown without blocking and not closed yet.
    int openBoxes() const;

private:
    class QueuedSink final : public platform::MessageSink {
    public:
        explicit QueuedSink(SystemMessageBoxes* boxes)
            : m_boxes(boxes)
        {
        }
        void post(const platform::UserMessage& message) override;

    private:
        QPointer<SystemMessageBoxes> m_boxes;
    };

    QMessageBox* makeBox(const QString& caption, const QString& text, platform::BoxIcon icon) const;
    void showModal(const QString& caption, const QString& text, platform::BoxIcon icon);
    void showQueued(const QString& caption, const QString& text, platform::BoxIcon icon);

    std::vector<QPointer<QMessageBox>> m_open;
    platform::MessageBoxHandler m_previous;
    QueuedSink m_sink{this};
};

} // namespace kavrel
