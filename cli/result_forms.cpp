#include "cli/result_forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/batch.h"
#include "document/result_columns.h"
#include "document/text_pieces.h"

namespace brelix {

namespace {

// The shortest text that reads back as the same double.
void AppendNumber(std::string& out, double value) {
    char buffer[32];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// A cell of a row: a value or error of column `c`, when the row has one.
const double* CellAt(const std::vector<double>& cells, size_t c) {
    return c < cells.size() ? &cells[c] : nullptr;
}

// The length of the well-formed UTF-8 character (RFC 3629: no overlong forms, no surrogates, nothing past
// U+10FFFF) that starts at text[at], or 0 when none does.
size_t Utf8CharacterLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (const size_t length = Utf8CharacterLength(text, i)) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        } else {
            out += "\\ufffd";
        }
        ++i;
    }
    out += '"';
}

void AppendJsonNumber(std::string& out, const double* value) {
    if (value && std::isfinite(*value))
        AppendNumber(out, *value);
    else
        out += "null";
}

// A JSON array of a row's cells, one per column.
void AppendJsonCells(std::string& out, const std::vector<double>& cells, size_t columns) {
    out += '[';
    for (size_t c = 0; c < columns; ++c) {
        if (c > 0) out += ", ";
        AppendJsonNumber(out, CellAt(cells, c));
    }
    out += ']';
}

bool WriteJson(std::span<const CResultTable> tables, CTextPieces& pieces) {
    std::string& out = pieces.text;
    out += "{\"batches\": [";
    for (size_t t = 0; t < tables.size(); ++t) {
        const CResultTable& table = tables[t];
        const bool errors = table.HasErrors();
        out += t > 0 ? ",\n" : "\n";
        out += "{\"index\": " + std::to_string(table.index) + ", \"name\": ";
        AppendJsonString(out, table.name);
        out += ", \"traceOps\": " + std::to_string(table.traceOps) + ", \"columns\": [";
        for (size_t c = 0; c < table.columns.size(); ++c) {
            if (c > 0) out += ", ";
            AppendJsonString(out, table.columns[c]);
        }
        out += "], \"rows\": [";
        for (size_t r = 0; r < table.rows.size(); ++r) {
            const CResultRow& row = table.rows[r];
            out += r > 0 ? ",\n" : "\n";
            out += "{\"key\": {";
            for (const CSweepColumn& sweep : kSweepColumns) {
                if (&sweep != kSweepColumns) out += ", ";
                out += '"';
                out += sweep.name;
                out += "\": ";
                AppendJsonNumber(out, &(row.key.*sweep.value));
            }
            out += "}, \"values\": ";
            AppendJsonCells(out, row.values, table.columns.size());
            if (errors) {
                out += ", \"errors\": ";
                AppendJsonCells(out, row.errors, table.columns.size());
            }
            out += '}';
            if (!pieces.Flush()) return false;
        }
        out += "]}";
    }
    out += "\n]}\n";
    return pieces.Flush(true);
}

// The fields and lines of CSV or TSV.
struct CDelimited {
    char separator;
    const char* lineEnd;

    void AppendName(std::string& out, const std::string& name) const {
        if (separator == '\t') {
            out += TabSeparatedCell(name);
        } else if (name.find_first_of(",\"\r\n") == std::string::npos) {
            out += name;
        } else {
            out += '"';
            for (char c : name) {
                if (c == '"') out += '"';
                out += c;
            }
            out += '"';
        }
    }
    // Each cell after a separator, empty when the row has none.
    void AppendCells(std::string& out, const std::vector<double>& cells, size_t columns) const {
        for (size_t c = 0; c < columns; ++c) {
            out += separator;
            if (const double* value = CellAt(cells, c)) AppendNumber(out, *value);
        }
    }
    std::string Header(const CResultTable& table, bool errors) const {
        std::string header = "batch";
        for (const CSweepColumn& sweep : kSweepColumns) header += separator + std::string(sweep.name);
        for (const std::string& column : table.columns) {
            header += separator;
            AppendName(header, column);
        }
        if (errors) {
            for (const std::string& column : table.columns) {
                header += separator;
                AppendName(header, column + " se");
            }
        }
        return header + lineEnd;
    }
};

bool WriteDelimited(const CDelimited& form, std::span<const CResultTable> tables, CTextPieces& pieces) {
    std::string& out = pieces.text;
    std::string lastHeader;
    for (const CResultTable& table : tables) {
        const bool errors = table.HasErrors();
        std::string header = form.Header(table, errors);
        if (header != lastHeader) {
            out += header;
            lastHeader = std::move(header);
        }
        const std::string index = std::to_string(table.index);
        for (const CResultRow& row : table.rows) {
            out += index;
            for (const CSweepColumn& sweep : kSweepColumns) {
                out += form.separator;
                AppendNumber(out, row.key.*sweep.value);
            }
            form.AppendCells(out, row.values, table.columns.size());
            if (errors) form.AppendCells(out, row.errors, table.columns.size());
            out += form.lineEnd;
            if (!pieces.Flush()) return false;
        }
    }
    return pieces.Flush(true);
}

}  // namespace

bool CResultTable::HasErrors() const {
    return std::any_of(rows.begin(), rows.end(), [](const CResultRow& row) { return !row.errors.empty(); });
}

CResultTable CollectResults(const CBatch& batch, uint32_t number) {
    CResultTable table;
    table.index = number;
    table.name = batch.name;
    table.traceOps = batch.traceOps.load();
    const std::vector<CResultColumn> columns = ResultColumns(batch.model);
    for (const CResultColumn& column : columns)
        table.columns.push_back(column.plane ? column.layer->name + "/" + column.plane->name
                                             : column.layer->name);
    table.columns.emplace_back("Remainder");
    table.columns.emplace_back("Lost");

    const CResultList& model = batch.model.results;
    const uint32_t rows = model.GetSize();
    table.rows.reserve(rows);
    for (uint32_t k = 0; k < rows; ++k) {
        CResultRow& row = table.rows.emplace_back();
        row.key = model.Key(k);
        row.values.reserve(table.columns.size());
        for (const CResultColumn& column : columns)
            row.values.push_back(column.Absorbed(k).value_or(std::numeric_limits<double>::quiet_NaN()));
        row.values.push_back(model.Remainder(k));
        row.values.push_back(model.Lost(k));
    }
    return table;
}

std::optional<EResultForm> ParseResultForm(std::string_view text) {
    if (text == "table") return EResultForm::Table;
    if (text == "tsv") return EResultForm::Tsv;
    if (text == "csv") return EResultForm::Csv;
    if (text == "json") return EResultForm::Json;
    return std::nullopt;
}

bool WriteResultForm(EResultForm form, std::span<const CResultTable> tables,
                     const std::function<bool(std::string_view)>& write) {
    CTextPieces pieces(write);
    switch (form) {
        case EResultForm::Csv:
            return WriteDelimited({',', "\r\n"}, tables, pieces);
        case EResultForm::Tsv:
            return WriteDelimited({'\t', "\n"}, tables, pieces);
        case EResultForm::Json:
            return WriteJson(tables, pieces);
        case EResultForm::Table:
            break;
    }
    return false;
}

}  // namespace brelix
