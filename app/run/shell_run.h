#pragma once
// Puts the deconvolution run into the image window's Start L-R and Abort L-R
// commands. Each image window gets its own run driver the first time it
// starts a run; the driver lives as long as the window.

struct ShellExtensions;

void InstallRunExtensions(ShellExtensions& extensions);
