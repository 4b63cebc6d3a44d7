#include "app/review_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/change_plot.h"
#include "app/commands.h"
#include "app/iteration_review.h"
#include "app/quorvane_view.h"

ReviewBar::ReviewBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("reviewBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot_ = new ChangePlot;
    label_ = new QLabel;
    label_->setObjectName(QStringLiteral("iterationLabel"));
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setObjectName(QStringLiteral("iterationSlider"));
    slider_->setFixedWidth(120);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setPageStep(1);
    // The keys [ and ] stay with the image window.
    slider_->setFocusPolicy(Qt::NoFocus);
    keep_ = new QPushButton(QStringLiteral("Keep"));
    keep_->setObjectName(QStringLiteral("keepIteration"));
    keep_->setFocusPolicy(Qt::NoFocus);
    keep_->setToolTip(CommandTooltip(Cmd::KeepIteration));
    layout->addWidget(plot_);
    layout->addWidget(label_);
    layout->addWidget(slider_);
    layout->addWidget(keep_);
    connect(slider_, &QSlider::valueChanged, this, &ReviewBar::SliderMoved);
    connect(keep_, &QPushButton::clicked, this, [this] {
        if (view_) view_->OnCommand(Cmd::KeepIteration);
    });
    hide();
}

void ReviewBar::Follow(CQuorvaneView* view) {
    disconnect(following_);
    view_ = view;
    if (view) following_ = connect(view, &CQuorvaneView::reviewChanged, this, &ReviewBar::Refresh);
    Refresh();
}

void ReviewBar::Refresh() {
    const IterationReview* review = view_ ? &view_->Iterations() : nullptr;
    if (!review || (!review->Running() && !review->Choosing())) {
        hide();
        return;
    }
    const bool choosing = review->Choosing();
    plot_->SetChanges(review->Changes(), choosing ? review->Shown() : -1);
    label_->setVisible(choosing);
    slider_->setVisible(choosing);
    keep_->setVisible(choosing);
    if (choosing) {
        const std::vector<int> kept = review->Kept();
        const QSignalBlocker quiet(slider_);
        slider_->setRange(kept.empty() ? 0 : kept.front(), review->Iterations());
        slider_->setValue(review->Shown());
        QString text = QStringLiteral("Iteration %1 of %2").arg(review->Shown()).arg(review->Iterations());
        if (review->Dropped() > 0)
            text += QStringLiteral(" (the first %1 let go for memory)").arg(review->Dropped());
        label_->setText(text);
    }
    show();
}

QString ReviewBar::Label() const { return label_->text(); }

void ReviewBar::SliderMoved(int value) {
    if (view_ && !view_->ShowIteration(value)) Refresh();
}
