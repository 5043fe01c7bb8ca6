// ScreenFit.h -- windows that open inside the screen's free area and scroll rather than cut their contents.
#pragma once

#include <QSize>

class QWidget;

namespace tessaly {

// Gives the window a layout holding one frameless scroll area and returns the widget inside it, for
// the window's own layout. A menu bar set on the window's layout stays outside the scrolling part.
// The scroll area asks for the whole size of its contents, so where the screen has room the window
// looks as it would without it.
QWidget* scrollingBody(QWidget* window);

// The room a top-level window's contents have on its screen: the free area less the window frame.
QSize screenRoom(QWidget* window);

// Sizes a top-level window to its preferred size, but no larger than the free area of its screen
// (less room for the window frame), and moves it inside that area. Call before showing it.
void fitToScreen(QWidget* window);

} // namespace tessaly
