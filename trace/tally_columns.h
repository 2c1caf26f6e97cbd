#pragma once

#include <cstdint>
#include <vector>

namespace brelix {

class CModel;
class CResultList;

// Every tally of a model's result lists, in a fixed order: the model's lost and remainder, then each
// layer's absorbed and path length followed by each of its planes' absorbed. Partial results and
// repeated traces move whole rows of tallies in this order.
enum class ETally { Lost, Remainder, Absorbed, PathLength };
struct CTallyColumn {
    CResultList* list;
    ETally tally;

    double Get(uint32_t row) const;
    void Add(uint32_t row, double value) const;
};

std::vector<CTallyColumn> TallyColumns(CModel& model);
uint32_t TallyColumnCount(const CModel& model);

// The tally columns of the results table, in its order: each layer's absorbed followed by each of its
// planes' absorbed, layer by layer, then the remainder and the lost intensity; as indices into
// TallyColumns.
std::vector<uint32_t> TableTallyColumns(const CModel& model);

}  // namespace brelix
