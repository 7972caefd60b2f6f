#pragma once

// Spread of a benchmark's runs, and the store's and the provider's counters as differences
// between two moments.

#include "simulator/machine.h"
#include "simulator/provider.h"

#include <QString>

#include <algorithm>
#include <vector>

struct Spread
{
    double min = 0, median = 0, max = 0;
    QString text() const
    {
        return QStringLiteral("%1 / %2 / %3").arg(min, 0, 'f', 1).arg(median, 0, 'f', 1).arg(max, 0, 'f', 1);
    }
};

inline Spread spreadOf(std::vector<double> v)
{
    Spread s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    s.min = v.front();
    s.max = v.back();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return s;
}

// Machine-file parses and exclusive file locks since construction.
class StoreCounts
{
public:
    StoreCounts() : m_start(sim::MachineStore::counters()) {}
    quint64 parses() const { return sim::MachineStore::counters().parses - m_start.parses; }
    quint64 exclusiveLocks() const { return sim::MachineStore::counters().exclusiveLocks - m_start.exclusiveLocks; }

private:
    sim::MachineStore::Counters m_start;
};

// WMI queries answered and namespace connections opened by the simulated provider.
struct RoundTrips
{
    quint64 queries = 0, connections = 0;
    static RoundTrips now()
    {
        const sim::ProviderCounters c = sim::providerCounters();
        return {c.queries, c.connections};
    }
    RoundTrips operator-(const RoundTrips &start) const
    {
        return {queries - start.queries, connections - start.connections};
    }
};
