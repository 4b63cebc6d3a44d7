#pragma once
// The two drawn controls of the contrast bar: the arrow step buttons and
// the drag pad with its marker.

#include <QAbstractButton>
#include <QWidget>
#include <optional>

// A step button drawn from its caption's picture pair ("DDN" -> DDNU/DDND).
class StepButton : public QAbstractButton {
    Q_OBJECT
public:
    StepButton(const QString& caption, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

// The picture the user drags on. It takes no mouse input itself: the bar
// handles presses inside the pad's rectangle. The marker is a small square
// that inverts what is under it.
class DragPad : public QWidget {
    Q_OBJECT
public:
    explicit DragPad(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {96, 96}; }
    // The marker at a point of the pad, or none.
    void SetMarker(std::optional<QPoint> at);
    std::optional<QPoint> Marker() const { return marker_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QPoint> marker_;
};
