#pragma once
// Shows the program's notices (platform/messages.h) as modal message boxes
// over the main window.

#include <functional>

class QWidget;

// Installs the message-box handler; parent gives the window the boxes are
// modal to (may return null). Returns nothing: the handler stays for the
// program's life, tests install their own capture over it.
void InstallMessageBoxHandler(std::function<QWidget*()> parent);
