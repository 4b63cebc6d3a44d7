#pragma once
// The small modal dialog that asks for the iteration count before a
// deconvolution run. Its OK is the moment the engine's worker is started,
// so the run driver hands in that step as a callback.

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;

class CDeconParamsDialog : public QDialog {
    Q_OBJECT
public:
    using StartWorker = std::function<void()>;

    // Entries "1".."10"; list index i means i + 1 iterations.
    static constexpr int kEntryCount = 10;
    static constexpr int kDefaultIndex = 4;

    // startWorker runs when OK is accepted, before the dialog closes (the
    // choices are then final); may be empty.
    CDeconParamsDialog(QWidget* parent, StartWorker startWorker);

    // The chosen list index, or -1 when the edit text names no entry.
    int ListIndex() const { return listIndex_; }
    // The iteration count N the run uses (meaningful after OK).
    int Iterations() const { return listIndex_ + 1; }
    // "Protect stars and sky": the protected run (off by default).
    bool Protect() const { return protect_; }

    void accept() override;
    void done(int result) override;

private:
    void PullSelection();

    StartWorker startWorker_;
    QComboBox* iterations_ = nullptr;
    QCheckBox* protectBox_ = nullptr;
    int listIndex_ = kDefaultIndex;
    bool protect_ = false;
};
