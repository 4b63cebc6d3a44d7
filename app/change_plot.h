#pragma once
// A small plot of how much each step of a run changed the estimate, on a
// logarithmic scale fitted to the changes' own decades, with a tick at the end of each iteration and, when
// one is chosen, that iteration's end marked.

#include <QWidget>
#include <vector>

class ChangePlot : public QWidget {
    Q_OBJECT
public:
    explicit ChangePlot(QWidget* parent = nullptr);

    // marked: the iteration whose end is marked, or -1.
    void SetChanges(std::vector<double> changes, int marked);
    const std::vector<double>& Changes() const { return changes_; }
    int Marked() const { return marked_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> changes_;
    int marked_ = -1;
};
