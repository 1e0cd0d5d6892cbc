#pragma once

#include "controls/WindowMessage.h"
#include "support/TestSupport.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <string>
#include <tuple>
#include <vector>

namespace kavrel::test {

// A skins folder of plain test pictures in a temporary program folder, made
// the program folder while it lives.
class TestSkin {
public:
    TestSkin();
    ~TestSkin();
    TestSkin(const TestSkin&) = delete;
    TestSkin& operator=(const TestSkin&) = delete;

    // Writes skins/<name> filled with one colour.
    void add(const std::string& name, QSize size, const QColor& color);
    std::filesystem::path folder() const { return m_dir.path(); }

private:
    TempDir m_dir;
    std::string m_previous;
};

// A window that records every window message it receives.
class MessageRecorder : public QWidget {
public:
    struct Message {
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool operator==(const Message&) const = default;
    };
    using QWidget::QWidget;
    std::vector<Message> messages;

protected:
    bool event(QEvent* event) override;
};

// Delivers posted events (window messages, deferred deletes).
void processEvents();

// The widget as it paints now.
QImage rendered(QWidget& widget);

} // namespace kavrel::test
