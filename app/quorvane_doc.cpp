#include "app/quorvane_doc.h"

#include <QFileInfo>
#include <exception>
#include <new>

#include "app/contrast_bar.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "app/save_format.h"
#include "app/quorvane_app.h"
#include "app/quorvane_view.h"
#include "app/rounded_save_prompt.h"
#include "app/wide_convert_prompt.h"
#include "image/wide_fits.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

// The star list grows in blocks of this many entries.
constexpr size_t kStarBlock = 10;

constexpr const char* kRunInProgress =
    "A deconvolution is in progress.  You must abort it before you can close the image.";

QWidget* MainWindow() {
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    return app ? app->MainFrame() : nullptr;
}

std::string FailureDetail(const std::exception& failure) {
    if (dynamic_cast<const std::bad_alloc*>(&failure)) return "There is not enough memory for the image.";
    return failure.what();
}

}  // namespace

CQuorvaneDoc::CQuorvaneDoc(QObject* parent) : QObject(parent) {}

CQuorvaneDoc::~CQuorvaneDoc() = default;

bool CQuorvaneDoc::OnOpenDocument(const QString& path) {
    const std::string file = QFile::encodeName(path).toStdString();
    std::string readerNotice;
    try {
        // The reader's own notice joins the one box that names the file.
        ScopedMessageCapture capture;
        try {
            CArchive archive(file, CArchive::load);
            image_.Serialize(archive);
        } catch (...) {
            readerNotice = capture.Joined();
            throw;
        }
    } catch (const WideFitsRefused& wide) {
        return OpenConverted(path, wide.file);
    } catch (const std::exception& failure) {
        const std::string cause = readerNotice.empty() ? FailureDetail(failure) : readerNotice;
        ShowMessage("Unable to open " + QFileInfo(path).fileName().toStdString() + ".\n" + cause);
        return false;
    }
    if (!ShowImage(path)) return false;
    pathName_ = QFileInfo(path).absoluteFilePath();
    SetModifiedFlag(false);
    NoteRoundedValues();
    return true;
}

void CQuorvaneDoc::NoteRoundedValues() {
    roundedSource_.clear();
    if (image_.importRounding.empty()) return;
    roundedSource_ = pathName_;
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    if (app && app->MainFrame())
        app->MainFrame()->SetMessageText(
            RoundedOpenText(QFileInfo(pathName_).fileName(), QString::fromStdString(image_.importRounding)));
}

bool CQuorvaneDoc::MayReplaceRoundedSource(const QString& path) const {
    if (roundedSource_.isEmpty() || QFileInfo(path).absoluteFilePath() != roundedSource_) return true;
    return RoundedSaveAsk()(MainWindow(), QFileInfo(path).fileName(), QString::fromStdString(image_.importRounding));
}

bool CQuorvaneDoc::ShowImage(const QString& path) {
    image_.document = this;
    if (!HasImage() || !bitmap_.Create(image_.Width, image_.Height)) {
        ShowMessage("Unable to open " + QFileInfo(path).fileName().toStdString() +
                    ".\nThere is not enough memory to display the image.");
        return false;
    }
    RefreshContrastBar();
    BuildDisplayBitmap();
    return true;
}

bool CQuorvaneDoc::OpenConverted(const QString& path, const WideFitsFile& file) {
    const std::string name = QFile::encodeName(path).toStdString();
    const std::string shown = QFileInfo(path).fileName().toStdString();
    const std::optional<WideMapping> automatic = PreviewWideFits(name);
    if (!automatic) {
        ShowMessage("Unable to open " + shown + ".\n" + FitsImportFailureText(FitsImportOutcome::failed));
        return false;
    }
    const std::optional<WideScale> scale = WideConvertAsk()(MainWindow(), QFileInfo(path).fileName(), file, *automatic);
    if (!scale) return false;
    WideMapping mapping;
    const FitsImportOutcome outcome = ImportWideFits(image_, name, *scale, mapping);
    if (outcome != FitsImportOutcome::ok) {
        ShowMessage("Unable to open " + shown + ".\n" + FitsImportFailureText(outcome));
        return false;
    }
    if (!ShowImage(path)) return false;
    sourcePath_ = QFileInfo(path).absoluteFilePath();
    suggestedPath_ = QFile::decodeName(ConvertedFileName(QFile::encodeName(sourcePath_).toStdString()).c_str());
    SetModifiedFlag(true);
    return true;
}

bool CQuorvaneDoc::OnSaveDocument(const QString& path) {
    // Saving pixels the engine is writing would store a torn image.
    if (IsRunning()) return false;
    if (!sourcePath_.isEmpty() && QFileInfo(path).absoluteFilePath() == sourcePath_) {
        ShowMessage("Unable to save " + QFileInfo(path).fileName().toStdString() +
                    ".\nA converted image is never saved over the file it came from; choose another name.");
        return false;
    }
    // The file the values were rounded from still holds the finer ones.
    if (!MayReplaceRoundedSource(path)) return false;
    const std::string file = QFile::encodeName(path).toStdString();
    try {
        CArchive archive(file, CArchive::store);
        image_.Serialize(archive);
        archive.Commit();
    } catch (const std::exception& failure) {
        ShowMessage("Unable to save " + QFileInfo(path).fileName().toStdString() + ".\n" + FailureDetail(failure));
        return false;
    }
    const bool renamed = QFileInfo(path).absoluteFilePath() != pathName_;
    pathName_ = QFileInfo(path).absoluteFilePath();
    if (pathName_ == roundedSource_) roundedSource_.clear();
    SetModifiedFlag(false);
    if (renamed) emit pathChanged();
    return true;
}

bool CQuorvaneDoc::DoFileSave() { return pathName_.isEmpty() ? DoSaveAs() : OnSaveDocument(pathName_); }

bool CQuorvaneDoc::DoSaveAs() {
    const SaveAsChoice choice = UserPrompts().saveFileName(MainWindow(), pathName_.isEmpty() ? suggestedPath_ : pathName_,
                                                           SaveAsFilterOf(image_));
    if (choice.path.isEmpty()) return false;
    // Refused before converting, so a running image is left as it is.
    if (IsRunning()) return false;
    FormatBackup backup = ConvertForSave(image_, ChooseSaveFormat(choice.path, choice.filterIndex));
    if (OnSaveDocument(choice.path)) {
        emit savedAs(choice.path);
        return true;
    }
    RestoreFormat(image_, std::move(backup));
    return false;
}

bool CQuorvaneDoc::SaveModified() {
    if (!modified_) return true;
    switch (UserPrompts().saveChanges(MainWindow(), Title())) {
    case SaveChangesAnswer::save: return DoFileSave();
    case SaveChangesAnswer::discard: return true;
    case SaveChangesAnswer::cancel: break;
    }
    return false;
}

bool CQuorvaneDoc::CanCloseFrame() {
    // Checked before the save prompt, so that no save of a half-written
    // image is offered either.
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    if (app && app->IsBusy()) {
        ShowMessage(kRunInProgress, "FYI", MessageIcon::exclamation);
        return false;
    }
    return SaveModified();
}

void CQuorvaneDoc::OnCloseDocument() {
    if (CQuorvaneApp* app = CQuorvaneApp::Instance()) app->DocumentClosing(*this);
    bitmap_.Free();
    deleteLater();
}

QString CQuorvaneDoc::Title() const { return QFileInfo(pathName_.isEmpty() ? suggestedPath_ : pathName_).fileName(); }

void CQuorvaneDoc::SetModifiedFlag(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    emit modifiedChanged(modified);
}

DisplaySize CQuorvaneDoc::GetDisplaySize() const {
    return ZoomedSize(image_.Width, image_.Height, image_.display.zoom);
}

void CQuorvaneDoc::BuildDisplayBitmap() {
    if (::BuildDisplayBitmap(image_, histogram_, bitmap_)) RefreshContrastBar();
}

bool CQuorvaneDoc::IsRunning() const {
    const CQuorvaneApp* app = CQuorvaneApp::Instance();
    return app && app->IsBusy() && app->RunningDocument() == this;
}

void CQuorvaneDoc::FlipHorizontal() {
    // Flipping while the engine writes would scramble both images.
    if (IsRunning()) return;
    image_.FlipHorizontal();
    // The picked stars belong to the sky, not to the window: they turn with it.
    for (StarPoint& star : stars_) star.x = image_.Width - 1 - star.x;
    BuildDisplayBitmap();
    emit flipped(Qt::Horizontal);
    UpdateAllViews();
    SetModifiedFlag();
}

void CQuorvaneDoc::FlipVertical() {
    if (IsRunning()) return;
    image_.FlipVertical();
    for (StarPoint& star : stars_) star.y = image_.Height - 1 - star.y;
    BuildDisplayBitmap();
    emit flipped(Qt::Vertical);
    UpdateAllViews();
    SetModifiedFlag();
}

void CQuorvaneDoc::AddStar(StarPoint star) {
    if (stars_.size() == stars_.capacity()) stars_.reserve(stars_.size() + kStarBlock);
    stars_.push_back(star);
}

void CQuorvaneDoc::RemoveStarAt(size_t index) {
    if (index < stars_.size()) stars_.erase(stars_.begin() + std::ptrdiff_t(index));
}

void CQuorvaneDoc::ClearStars() { stars_.clear(); }

// The bar shows the active image only: a redisplay of another image (a run
// in a background window) must not put its levels where the next Apply
// would copy them onto the active one.
void CQuorvaneDoc::RefreshContrastBar() {
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    if (!app || !app->ContrastBar()) return;
    const CQuorvaneView* active = app->MainFrame() ? app->MainFrame()->ActiveView() : nullptr;
    if (active && &active->GetDocument() != this) return;
    app->ContrastBar()->LoadSettings(image_.display);
}
