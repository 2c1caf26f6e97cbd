#include "trace/replica_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/batch.h"
#include "trace/tally_columns.h"

namespace brelix {

uint32_t ReplicaSeed(uint32_t seed, uint32_t replica) {
    // splitmix64 of (seed * 2^32 + replica), offset so that it never equals a source ray's seed
    // (trace/parallel_trace.h) for the same numbers.
    uint64_t z = (uint64_t{seed} << 32 | replica) + 2 * 0x9e3779b97f4a7c15u;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    z ^= z >> 31;
    return static_cast<uint32_t>(z >> 32);
}

void CReplicaStatistics::AddValue(CCell& cell, double value) const {
    // Welford's update for the replicas_-th value (replicas_ already counts it).
    const double delta = value - cell.mean;
    cell.mean += delta / replicas_;
    cell.m2 += delta * (value - cell.mean);
}

double CReplicaStatistics::Error(const CCell& cell) const {
    if (replicas_ < 2) return std::numeric_limits<double>::quiet_NaN();
    return std::sqrt(cell.m2 / (replicas_ - 1) / replicas_);
}

void CReplicaStatistics::Add(CBatch& batch) {
    const std::vector<CTallyColumn> columns = TallyColumns(batch.model);
    if (replicas_ == 0) columns_ = static_cast<uint32_t>(columns.size());
    ++replicas_;
    const CResultList& results = batch.model.results;
    std::vector<bool> met(keys_.size(), false);
    for (uint32_t r = 0; r < results.GetSize(); ++r) {
        const CResultKey key = results.Key(r);
        const auto [at, added] = rows_.try_emplace(key, static_cast<uint32_t>(keys_.size()));
        if (added) {
            // The replicas before this one had no such row: their zeros leave mean and spread at 0.
            keys_.push_back(key);
            cells_.resize(cells_.size() + columns_);
            met.push_back(false);
        }
        met[at->second] = true;
        CCell* cells = &cells_[uint64_t{at->second} * columns_];
        for (uint32_t c = 0; c < columns_; ++c) AddValue(cells[c], columns[c].Get(r));
    }
    for (uint32_t row = 0; row < met.size(); ++row)
        if (!met[row])
            for (uint32_t c = 0; c < columns_; ++c) AddValue(cells_[uint64_t{row} * columns_ + c], 0);
}

void CReplicaStatistics::WriteMeans(CBatch& batch) const {
    CModel& model = batch.model;
    model.ClearResults();
    for (const CResultKey& key : keys_) model.AppendNewResult(key);
    model.ShareResults();
    const std::vector<CTallyColumn> columns = TallyColumns(model);
    for (uint32_t row = 0; row < keys_.size(); ++row)
        for (uint32_t c = 0; c < columns_; ++c)
            if (const double mean = cells_[uint64_t{row} * columns_ + c].mean; mean != 0) columns[c].Add(row, mean);
}

std::vector<double> CReplicaStatistics::TableErrors(const CBatch& batch) const {
    const std::vector<uint32_t> table = TableTallyColumns(batch.model);
    std::vector<double> errors;
    errors.reserve(keys_.size() * table.size());
    for (uint32_t row = 0; row < keys_.size(); ++row)
        for (const uint32_t c : table) errors.push_back(Error(cells_[uint64_t{row} * columns_ + c]));
    return errors;
}

double CReplicaStatistics::LargestTableError(const CBatch& batch) const {
    if (replicas_ < 2) return std::numeric_limits<double>::quiet_NaN();
    double largest = 0;
    for (const uint32_t c : TableTallyColumns(batch.model))
        for (uint32_t row = 0; row < keys_.size(); ++row) largest = std::max(largest, Error(cells_[uint64_t{row} * columns_ + c]));
    return largest;
}

}  // namespace brelix
