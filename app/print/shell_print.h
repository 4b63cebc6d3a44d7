#pragma once
// Puts printing into the image window's Print and Print Preview commands
// and the application's Print Setup. One printer serves the whole program.

struct ShellExtensions;

void InstallPrintExtensions(ShellExtensions& extensions);
