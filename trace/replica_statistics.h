#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/result_list.h"

namespace brelix {

class CBatch;

// The seed of replica `replica` of a trace with seed `seed`: mixed so that replicas of neighbouring seeds
// and neighbouring replicas are independent samples.
uint32_t ReplicaSeed(uint32_t seed, uint32_t replica);

// The mean and standard error of every tally of a batch over independent replicas of its trace. A row
// that a replica did not make (a key only re-emission meets) counts 0 in that replica. Each cell's spread
// is kept by Welford's update, which stays exact where the values hardly differ.
class CReplicaStatistics {
public:
    // Adds the results of one replica traced to its end.
    void Add(CBatch& batch);

    uint32_t Replicas() const { return replicas_; }
    uint32_t Rows() const { return static_cast<uint32_t>(keys_.size()); }

    // Replaces the batch's results by the means, row by row in the order the keys were first met.
    void WriteMeans(CBatch& batch) const;
    // The standard error of the mean of each cell of the results table (rows by the table's columns:
    // trace/tally_columns.h), row after row; NaN before two replicas.
    std::vector<double> TableErrors(const CBatch& batch) const;
    // The largest standard error of any cell of the results table; NaN before two replicas.
    double LargestTableError(const CBatch& batch) const;

private:
    struct CCell {
        double mean = 0, m2 = 0;
    };
    // Each row's cells count every replica: a new row starts with zeros for the replicas before it.
    void AddValue(CCell& cell, double value) const;
    double Error(const CCell& cell) const;

    uint32_t replicas_ = 0;
    uint32_t columns_ = 0;
    std::vector<CResultKey> keys_;
    std::unordered_map<CResultKey, uint32_t, CResultKeyHash> rows_;
    std::vector<CCell> cells_;
};

}  // namespace brelix
