#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace kavrel::platform {
namespace {

std::mutex handlerMutex;
MessageBoxHandler currentHandler;

void writeToStandardError(std::string_view caption, std::string_view text)
{
    std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
}

class DirectSink final : public MessageSink {
public:
    void post(const UserMessage& message) override { showMessageBox(message.caption, message.text, message.icon); }
};

class StandardErrorSink final : public MessageSink {
public:
    void post(const UserMessage& message) override { writeToStandardError(message.caption, message.text); }
};

} // namespace

MessageSink& directMessageSink()
{
    static DirectSink sink;
    return sink;
}

MessageSink& standardErrorSink()
{
    static StandardErrorSink sink;
    return sink;
}

void showMessageBox(std::string_view caption, std::string_view text, BoxIcon icon)
{
    MessageBoxHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = currentHandler;
    }
    if (handler)
        handler(caption, text, icon);
    else
        writeToStandardError(caption, text);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(handlerMutex);
    return std::exchange(currentHandler, std::move(handler));
}

} // namespace kavrel::platform
