#pragma once
// Rules that keep the window readable whatever the desktop: a palette whose backgrounds and texts
// are set together, controls clear of group frames, and a window kept on the screen.

#include <QPalette>

class QWidget;

namespace dravik::ui {

// The light palette the window is drawn for, every role of every group set, so that a dark desktop
// theme never puts its light texts on the window's fixed light backgrounds.
QPalette windowPalette();

// Moves the controls of every group box under root below the group's title and frame line (fonts
// wider than the layout was drawn for push the frame down), and lengthens a group whose controls
// would then reach its bottom line.
void keepClearOfGroupFrames(QWidget* root);

// Moves a top-level window that lies partly outside its screen's available area onto it.
void keepOnScreen(QWidget* window);

}  // namespace dravik::ui
