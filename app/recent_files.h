#pragma once
// The list of the most recently opened images shown in the File menu, kept
// in the settings store as "File1" .. "File4" of "Recent File List".

#include <QString>
#include <QStringList>

class RecentFileList {
public:
    explicit RecentFileList(int capacity) : capacity_(capacity) {}

    void Load();
    void Save() const;

    // Puts path first, dropping an older entry for the same file and the
    // oldest entry when the list is full.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return files_; }

    // "&1 /images/m51.qv4", the middle of a long path elided.
    static QString MenuText(int index, const QString& path);

private:
    int capacity_;
    QStringList files_;
};

// The folder File Open remembers: the text before the last path separator
// when that separator is not the first character, otherwise empty.
QString ImagePathOf(const QString& fullPath);
