#pragma once
// Puts the dialogs and tool windows into the image window's commands: the
// Image Parameters and Modifications sheets, and the crosshair and stellar
// profile windows that the shell creates, keeps and forgets.

struct ShellExtensions;

void InstallDialogExtensions(ShellExtensions& extensions);
