#include "trace/tally_columns.h"

#include "core/model.h"

namespace brelix {

double CTallyColumn::Get(uint32_t row) const {
    switch (tally) {
        case ETally::Lost: return list->Lost(row);
        case ETally::Remainder: return list->Remainder(row);
        case ETally::Absorbed: return list->Absorbed(row);
        case ETally::PathLength: return list->PathLength(row);
    }
    return 0;
}

void CTallyColumn::Add(uint32_t row, double value) const {
    switch (tally) {
        case ETally::Lost: return list->AddLost(row, value);
        case ETally::Remainder: return list->AddRemainder(row, value);
        case ETally::Absorbed: return list->AddAbsorbed(row, value);
        case ETally::PathLength: return list->AddPathLength(row, value);
    }
}

std::vector<CTallyColumn> TallyColumns(CModel& model) {
    std::vector<CTallyColumn> columns{{&model.results, ETally::Lost}, {&model.results, ETally::Remainder}};
    for (CLayer& layer : model) {
        columns.push_back({&layer.results, ETally::Absorbed});
        columns.push_back({&layer.results, ETally::PathLength});
        for (CPlane& plane : layer) columns.push_back({&plane.results, ETally::Absorbed});
    }
    return columns;
}

uint32_t TallyColumnCount(const CModel& model) {
    uint32_t columns = 2;
    for (const CLayer& layer : model) columns += 2 + layer.GetCount();
    return columns;
}

std::vector<uint32_t> TableTallyColumns(const CModel& model) {
    std::vector<uint32_t> table;
    uint32_t column = 2;
    for (const CLayer& layer : model) {
        table.push_back(column);
        column += 2;
        for (uint32_t p = 0; p < layer.GetCount(); ++p) table.push_back(column++);
    }
    table.push_back(1);
    table.push_back(0);
    return table;
}

}  // namespace brelix
