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

} // namespace kavrel::platform
