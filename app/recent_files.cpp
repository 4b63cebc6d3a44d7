#include "app/recent_files.h"

#include <QFileInfo>

#include "platform/qt/profile.h"

namespace {

const QString kSection = QStringLiteral("Recent File List");
constexpr qsizetype kLongestMenuPath = 60;

QString KeyOf(int index) { return QStringLiteral("File%1").arg(index + 1); }

bool SameFile(const QString& a, const QString& b) {
    if (a == b) return true;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

}  // namespace

void RecentFileList::Load() {
    files_.clear();
    for (int i = 0; i < capacity_; ++i) {
        const QString path = Profile::GetString(kSection, KeyOf(i));
        if (!path.isEmpty()) files_.append(path);
    }
}

void RecentFileList::Save() const {
    for (int i = 0; i < capacity_; ++i) {
        if (i < files_.size())
            Profile::WriteString(kSection, KeyOf(i), files_[i]);
        else
            Profile::Remove(kSection, KeyOf(i));
    }
}

void RecentFileList::Add(const QString& path) {
    Remove(path);
    files_.prepend(path);
    while (files_.size() > capacity_) files_.removeLast();
}

void RecentFileList::Remove(const QString& path) {
    files_.removeIf([&](const QString& entry) { return SameFile(entry, path); });
}

QString RecentFileList::MenuText(int index, const QString& path) {
    QString shown = path;
    if (shown.size() > kLongestMenuPath) {
        const qsizetype keep = (kLongestMenuPath - 3) / 2;
        shown = shown.left(keep) + QStringLiteral("...") + shown.right(keep);
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

QString ImagePathOf(const QString& fullPath) {
    const qsizetype slash = std::max(fullPath.lastIndexOf(QLatin1Char('/')), fullPath.lastIndexOf(QLatin1Char('\\')));
    return slash >= 1 ? fullPath.left(slash) : QString();
}
