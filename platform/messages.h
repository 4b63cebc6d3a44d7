#pragma once
// Where the program's notices go: a message box in the desktop program, a
// line on stderr in the command-line tool, a list in tests. Called only on
// the user-interface thread.

#include <functional>
#include <string>

enum class MessageIcon { information, exclamation, stop, question };

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::exclamation;
};

using MessageHandler = std::function<void(const Message&)>;

// Installs a handler and returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);
// Shows a notice through the installed handler (stderr when none is installed).
void ShowMessage(const std::string& text, const std::string& caption = "Quorvane",
                 MessageIcon icon = MessageIcon::exclamation);

#include <vector>

// Collects every notice shown while it lives (the command-line tool and the
// tests use it), then puts the previous handler back.
class ScopedMessageCapture {
public:
    ScopedMessageCapture();
    ~ScopedMessageCapture();
    ScopedMessageCapture(const ScopedMessageCapture&) = delete;
    ScopedMessageCapture& operator=(const ScopedMessageCapture&) = delete;

    // All captured texts, one per line, in the order shown.
    std::string Joined() const;

    std::vector<Message> messages;

private:
    MessageHandler previous_;
};
