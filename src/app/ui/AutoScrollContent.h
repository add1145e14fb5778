#pragma once
// Content widget of a scrolling panel. Controls are placed on it at absolute positions; it grows to
// cover every shown child, so the panel's scroll bars reach controls placed anywhere, and it is never
// smaller than the panel's viewport.

#include <QWidget>

class QScrollArea;

namespace dravik::ui {

class AutoScrollContent : public QWidget {
  public:
    explicit AutoScrollContent(QScrollArea* area);

    // Resizes at once; otherwise the resize follows on the next event-loop turn after a change.
    void fitToChildren();

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void scheduleFit();

    QScrollArea* area_;
    bool fitPending_ = false;
};

}  // namespace dravik::ui
