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
    const QString states[] = {tr("not run"), tr("done"), tr("failed")};
    const QString ends[] = {tr("running"), tr("succeeded"), tr("failed"), tr("cancelled"), tr("timed out")};
    QStringList lines{tr("%1: %2").arg(asked, ends[int(end)])};
    for (const ReportNode &node : nodes) {
        QString line = QStringLiteral("  [%1] %2").arg(states[int(node.state)], node.description);
        if (node.changesDisk)
            line += tr(" (changes the disk)");
        if (!node.detail.isEmpty())
            line += tr(": ") + node.detail;
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}
