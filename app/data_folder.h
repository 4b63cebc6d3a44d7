#pragma once
// The program's shared files (the tips file, the help pages) live in one
// data folder: share/quorvane beside the installed program's bin/ folder,
// or the build tree's copy, laid out the same way, when the program runs
// from the build tree. Both are found relative to the program itself.

#include <QString>

// The path of a file of the data folder, or an empty string when neither
// place holds it.
QString SharedFilePath(const QString& relativePath);

// Where an installed program keeps its shared files, for messages that say
// where a missing one belongs.
QString SharedFolder();
