#include "app/ui/AutoScrollContent.h"

#include <QChildEvent>
#include <QScrollArea>
#include <QTimer>
#include <algorithm>

namespace dravik::ui {

namespace {
// Free space kept right of and below the last control.
constexpr int kScrollMargin = 3;
}  // namespace

AutoScrollContent::AutoScrollContent(QScrollArea* area) : area_(area) {
    area_->setWidgetResizable(false);
    area_->setWidget(this);
    area_->viewport()->installEventFilter(this);
    fitToChildren();
}

void AutoScrollContent::fitToChildren() {
    fitPending_ = false;
    QRect bounds;
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w != nullptr && !w->isHidden()) bounds |= w->geometry();
    }
    const QSize view = area_->viewport()->size();
    int width = view.width();
    int height = view.height();
    if (bounds.isValid()) {
        width = std::max(width, bounds.right() + 1 + kScrollMargin);
        height = std::max(height, bounds.bottom() + 1 + kScrollMargin);
    }
    if (size() != QSize(width, height)) resize(width, height);
}

void AutoScrollContent::scheduleFit() {
    if (fitPending_) return;
    fitPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (fitPending_) fitToChildren();
    });
}

bool AutoScrollContent::event(QEvent* e) {
    if (e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildRemoved) {
        QObject* child = static_cast<QChildEvent*>(e)->child();
        if (e->type() == QEvent::ChildAdded && child->isWidgetType()) {
            child->installEventFilter(this);
        } else {
            child->removeEventFilter(this);
        }
        scheduleFit();
    }
    return QWidget::event(e);
}

bool AutoScrollContent::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            scheduleFit();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, e);
}

}  // namespace dravik::ui
