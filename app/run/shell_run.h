#pragma once
// Puts the deconvolution run into the image window's Start L-R and Abort L-R
// commands. Each image window gets its own run driver the first time it
// starts a run; the driver lives as long as the window.

struct ShellExtensions;

// quickHandover false hands the commands over on the 500 ms tick only (for comparison).
void InstallRunExtensions(ShellExtensions& extensions, bool quickHandover = true);
