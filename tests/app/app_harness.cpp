#include "app_harness.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QTest>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "image/image.h"
#include "platform/archive.h"
#include "platform/qt/profile.h"

AppHarness::AppHarness(bool start) {
    Profile::UseFolder(folder_.path() + QStringLiteral("/settings"));
    previousHandler_ = SetMessageHandler([this](const Message& message) { messages.push_back(message); });
    previousPrompts_ = UserPrompts();
    UserPrompts().openFile = [this](QWidget*, const QString&, int) { return openAnswer; };
    UserPrompts().saveFileName = [this](QWidget*, const QString&, int filterIndex) {
        saveAsFilterShown = filterIndex;
        return SaveAsChoice{saveAsAnswer, saveAsFilter};
    };
    UserPrompts().saveChanges = [this](QWidget*, const QString& title) {
        saveChangesAsked.push_back(title);
        return saveChangesAnswer;
    };
    if (start) Start();
}

AppHarness::~AppHarness() {
    Stop();
    UserPrompts() = previousPrompts_;
    SetMessageHandler(std::move(previousHandler_));
}

bool AppHarness::Start(const QStringList& arguments) {
    app_ = std::make_unique<CQuorvaneApp>();
    CQuorvaneApp::StartOptions options;
    options.runStartupTip = false;
    options.showMaximized = false;
    const bool started = app_->InitInstance(arguments, options);
    app_->MainFrame()->resize(1200, 900);
    QTest::qWait(10);
    return started;
}

void AppHarness::Stop() {
    if (!app_) return;
    app_->SetRunningDocument(nullptr);
    for (CQuorvaneDoc* document : app_->Documents()) document->SetModifiedFlag(false);
    app_->MainFrame()->close();
    app_->ExitInstance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString AppHarness::WriteImage(const QString& name, int width, int height, const PixelValue& value) {
    CImage image;
    image.Width = width;
    image.Height = height;
    image.fileType = kFileUncompressed;
    image.pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.pixels[size_t(y) * size_t(width) + size_t(x)] = value ? value(x, y) : uint16_t(1000 + (x + y) % 50);
    }
    const QString path = QDir(folder_.path()).filePath(name);
    CArchive archive(QFile::encodeName(path).toStdString(), CArchive::store);
    image.Serialize(archive);
    archive.Commit();
    return path;
}

CQuorvaneDoc* AppHarness::Open(const QString& path) {
    CQuorvaneDoc* document = app_->OpenDocumentFile(path);
    QTest::qWait(10);
    return document;
}

CQuorvaneView* AppHarness::ViewOf(CQuorvaneDoc& document) { return app_->MainFrame()->ViewOf(document); }

CChildFrame* AppHarness::FrameOf(CQuorvaneDoc& document) {
    CQuorvaneView* view = ViewOf(document);
    return view ? view->Frame() : nullptr;
}
