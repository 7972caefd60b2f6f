#include "jobreport.h"

#include <QStringList>

QList<ReportNode> JobReport::changesMade() const
{
    QList<ReportNode> out;
    for (const ReportNode &node : nodes) {
        if (node.changesDisk && node.state == ReportNode::State::Done)
            out << node;
    }
    return out;
}

const ReportNode *JobReport::failedStep() const
{
    for (const ReportNode &node : nodes) {
        if (node.state == ReportNode::State::Failed)
            return &node;
    }
    return nullptr;
}

QString JobReport::trace() const
{
    static const char *const states[] = {"not run", "done", "failed"};
    static const char *const ends[] = {"running", "succeeded", "failed", "cancelled", "timed out"};
    QStringList lines{QStringLiteral("%1: %2").arg(asked, QLatin1String(ends[int(end)]))};
    for (const ReportNode &node : nodes) {
        QString line = QStringLiteral("  [%1] %2").arg(QLatin1String(states[int(node.state)]), node.description);
        if (node.changesDisk)
            line += QStringLiteral(" (changes the disk)");
        if (!node.detail.isEmpty())
            line += QStringLiteral(": ") + node.detail;
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}
