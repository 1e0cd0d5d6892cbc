#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kavrel::platform {

enum class BoxIcon { Error, Warning, Information };

// Plain system message box with a caption ("Error", "Warning", "Info"), a
// text and one OK button. Returns when the user has closed it.
//
// The default shows nothing: it writes "<caption>: <text>" to standard error,
// which is what kavrel-cli and the tests want. The window program installs a
// handler that shows a real message box (and may be called from any thread).
using MessageBoxHandler = std::function<void(std::string_view caption, std::string_view text, BoxIcon icon)>;

void showMessageBox(std::string_view caption, std::string_view text, BoxIcon icon);

// Installs a handler; an empty one restores the standard-error default.
// Returns the handler that was installed before.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// What core code has to tell the user: the caption, text and icon of a plain
// message box.
struct UserMessage {
    std::string caption;
    std::string text;
    BoxIcon icon = BoxIcon::Information;
    bool operator==(const UserMessage&) const = default;
};

// Where core code that may run off the interface thread (the apply worker)
// sends what the user must be told. post() may be called from any thread and
// must return without waiting for the user: the window program's sink queues
// the message to the interface thread, which shows it while the caller goes
// on. Core code never shows a box itself from such a thread.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void post(const UserMessage& message) = 0;
};

// Shows every message at once with showMessageBox: for callers on the
// interface thread or in the command line tool, where waiting is harmless.
MessageSink& directMessageSink();

// Writes "<caption>: <text>" to standard error and returns: the sink of a
// worker that was given none.
MessageSink& standardErrorSink();

} // namespace kavrel::platform
