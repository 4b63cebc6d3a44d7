#pragma once
// For tests that run a real deconvolution from the window: a harness with
// the run, its dialogs and a fresh engine mailbox installed, and the answer
// to the iterations dialog that Start L-R opens.

#include <memory>

#include "app_harness.h"

std::unique_ptr<AppHarness> MakeRunHarness();

// Accepts the next modal dialog as soon as it shows.
void AcceptNextDialog();
