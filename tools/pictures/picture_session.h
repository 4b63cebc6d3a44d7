#pragma once
// The set-up the picture tools that walk through the program share: the
// command line (<sample> <output folder>), settings in a temporary folder,
// the program with its dialogs and run, and its main window at the size the
// pictures are drawn at. The walk itself is the tool's own.

#include <QDir>
#include <QString>
#include <functional>

class CQuorvaneApp;

// Returns the tool's exit code: 0 when walk returns true, 1 when it fails
// or the program does not start, 2 for a wrong command line.
int RunPictureSession(int argc, char** argv, const char* toolName,
                      const std::function<bool(CQuorvaneApp& app, const QDir& output, const QString& sample)>& walk);
