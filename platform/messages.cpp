#include "platform/messages.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

MessageHandler& InstalledHandler() {
    static MessageHandler handler;
    return handler;
}

}  // namespace

MessageHandler SetMessageHandler(MessageHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    return std::exchange(InstalledHandler(), std::move(handler));
}

void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    MessageHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = InstalledHandler();
    }
    // Called outside the lock so that a handler may itself install handlers.
    if (handler) {
        handler(Message{text, caption, icon});
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

ScopedMessageCapture::ScopedMessageCapture()
    : previous_(SetMessageHandler([this](const Message& message) { messages.push_back(message); })) {}

ScopedMessageCapture::~ScopedMessageCapture() { SetMessageHandler(std::move(previous_)); }

std::string ScopedMessageCapture::Joined() const {
    std::string all;
    for (const Message& message : messages) {
        if (!all.empty()) all += '\n';
        all += message.text;
    }
    return all;
}
