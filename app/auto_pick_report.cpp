#include "app/auto_pick_report.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Words that only make a sentence of the reason; the label is read after "turned down:".
constexpr const char* kLeadWords[] = {"it is ", "the star is ", "its "};

QString Plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// "too faint (5), not isolated (3)": the commonest reason first, ties in the
// order met (brightest candidate first).
QString RejectionSummary(const std::vector<StarRejection>& rejected) {
    std::vector<std::pair<QString, int>> counts;
    for (const StarRejection& r : rejected) {
        const QString label = RejectionLabel(r.reason);
        auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == label; });
        if (it == counts.end())
            counts.emplace_back(label, 1);
        else
            ++it->second;
    }
    std::stable_sort(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    QStringList parts;
    for (const auto& [label, n] : counts) parts << QStringLiteral("%1 (%2)").arg(label).arg(n);
    return parts.join(QStringLiteral(", "));
}

}  // namespace

QString RejectionLabel(const std::string& reason) {
    QString why = QString::fromStdString(reason);
    const qsizetype colon = why.indexOf(QLatin1String("rejected: "));
    if (colon >= 0) why = why.mid(colon + 10);
    for (const char* stop : {" (", ";"}) {
        const qsizetype at = why.indexOf(QLatin1String(stop));
        if (at >= 0) why.truncate(at);
    }
    if (why.endsWith(QLatin1Char('.'))) why.chop(1);
    for (const char* lead : kLeadWords)
        if (why.startsWith(QLatin1String(lead))) why = why.mid(qsizetype(std::strlen(lead)));
    return why;
}

QString AutoPickReport(int added, int total, const AutoStars& found) {
    QString text;
    if (added > 0) {
        text = QStringLiteral("Picked %1").arg(Plural(added, "star", "stars"));
        if (total > added) text += QStringLiteral(" (%1 in all)").arg(total);
    } else {
        text = QLatin1String(found.stars.empty() ? "No star to pick" : "No more stars to pick");
    }
    if (!found.rejected.empty())
        text += QStringLiteral("; turned down %1: %2")
                    .arg(Plural(int(found.rejected.size()), "candidate", "candidates"), RejectionSummary(found.rejected));
    else if (found.candidates == 0)
        text += QStringLiteral("; nothing stands clear of the sky noise");
    return text + QLatin1Char('.');
}
