#include "app/ui/Looks.h"

#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <climits>

namespace dravik::ui {

QPalette windowPalette() {
    // Resolving every role makes the window ignore later application-wide palette changes too.
    QPalette p = QApplication::style()->standardPalette();
    p.setResolveMask(~QPalette::ResolveMask{0});
    return p;
}

void keepClearOfGroupFrames(QWidget* root) {
    for (QGroupBox* g : root->findChildren<QGroupBox*>()) {
        g->ensurePolished();
        const QRect inside = g->contentsRect();
        const auto children = g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        if (children.isEmpty()) continue;
        int top = INT_MAX;
        for (const QWidget* w : children) top = std::min(top, w->y());
        const int shift = std::max(0, inside.top() + 1 - top);
        int bottom = 0;
        for (QWidget* w : children) {
            if (shift > 0) w->move(w->x(), w->y() + shift);
            bottom = std::max(bottom, w->geometry().bottom());
        }
        const int lacking = bottom + 1 - inside.bottom();
        if (lacking > 0) g->resize(g->width(), g->height() + lacking);
    }
}

void keepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    // A window larger than the area keeps its top left corner in it, so the title bar and the
    // menus stay reachable.
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top())
        window->move(window->pos() + QPoint(x - frame.left(), y - frame.top()));
}

}  // namespace dravik::ui
