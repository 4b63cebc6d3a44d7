#pragma once
// A fresh application for each widget test: settings in a temporary
// folder, notices collected instead of shown, the modal prompts answered
// by the test, and small native images written on request.

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/prompts.h"
#include "platform/messages.h"

class CChildFrame;
class CQuorvaneApp;
class CQuorvaneDoc;
class CQuorvaneView;

using PixelValue = std::function<uint16_t(int x, int y)>;

class AppHarness {
public:
    // Starts the application (no tip dialog, window not maximized).
    explicit AppHarness(bool start = true);
    ~AppHarness();

    // Starts with a command line (the program's name first); false when start-up failed.
    bool Start(const QStringList& arguments = {QStringLiteral("quorvane")});
    // Ends the application as the program's exit does, keeping the settings folder.
    void Stop();

    CQuorvaneApp& App() { return *app_; }
    QString Folder() const { return folder_.path(); }

    // Writes an uncompressed native image; returns its path.
    QString WriteImage(const QString& name, int width, int height, const PixelValue& value = {});
    // Opens an image and returns its document, view and frame.
    CQuorvaneDoc* Open(const QString& path);
    CQuorvaneView* ViewOf(CQuorvaneDoc& document);
    CChildFrame* FrameOf(CQuorvaneDoc& document);

    // Collected notices.
    std::vector<Message> messages;
    // How the prompts answer, and what they were asked.
    std::optional<OpenFileChoice> openAnswer;
    QString saveAsAnswer;
    int saveAsFilter = 3;  // "All files"
    int saveAsFilterShown = 0;
    SaveChangesAnswer saveChangesAnswer = SaveChangesAnswer::discard;
    std::vector<QString> saveChangesAsked;

private:
    QTemporaryDir folder_;
    std::unique_ptr<CQuorvaneApp> app_;
    MessageHandler previousHandler_;
    Prompts previousPrompts_;
};
