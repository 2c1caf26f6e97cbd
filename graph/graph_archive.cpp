#include "graph/graph_archive.h"

#include "core/format.h"
#include "document/archive.h"
#include "graph/graph.h"

namespace brelix {

namespace {

constexpr uint16_t kGraphVersion = 1;

void Put16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// Reads the fields in order and keeps the first failure.
class CGraphReader {
  public:
    explicit CGraphReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool Word(uint16_t& value, const char* what) {
        if (!error_.empty()) return false;
        if (bytes_.size() - offset_ < 2)
            return Fail("unexpected end of the graph at byte " + FormatInt(offset_) + " while reading the " +
                        what);
        value = static_cast<uint16_t>(bytes_[offset_] | bytes_[offset_ + 1] << 8);
        offset_ += 2;
        return true;
    }

    // A text in the documents' form, read by the documents' reader from here on.
    bool Text(std::string& text, const char* what) {
        if (!error_.empty()) return false;
        CArchiveReader reader(bytes_.subspan(offset_));
        if (!reader.Text(text, what)) {
            return Fail("unexpected end of the graph at byte " + FormatInt(offset_ + reader.ErrorOffset()) +
                        " while reading the " + what);
        }
        offset_ += reader.Offset();
        return true;
    }

    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }

    size_t Offset() const { return offset_; }
    size_t Remaining() const { return bytes_.size() - offset_; }
    const std::string& Error() const { return error_; }

  private:
    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
    std::string error_;
};

}  // namespace

std::vector<uint8_t> WriteGraph(const CGraph& graph) {
    std::vector<uint8_t> bytes;
    Put16(bytes, kGraphVersion);
    Put16(bytes, graph.identity);
    Put16(bytes, CGraph::MaxSeries);
    for (int32_t type : graph.seriesTypes) Put16(bytes, static_cast<uint32_t>(type));
    CArchiveWriter texts;
    texts.Text(graph.title);
    texts.Text(graph.xLabel);
    texts.Text(graph.yLabel);
    bytes.insert(bytes.end(), texts.Bytes().begin(), texts.Bytes().end());
    for (uint16_t option : graph.options) Put16(bytes, option);
    return bytes;
}

bool ReadGraph(std::span<const uint8_t> bytes, CGraph& graph, std::string& error) {
    CGraphReader reader(bytes);
    CGraph read = graph;
    uint16_t version = 0, count = 0;
    if (reader.Word(version, "version") && version != kGraphVersion) {
        reader.Fail("unsupported graph version " + FormatInt(version) +
                    " at byte 0: this program reads version " + FormatInt(kGraphVersion));
    }
    reader.Word(read.identity, "identity");
    const size_t countAt = reader.Offset();
    if (reader.Word(count, "series count") && count > CGraph::MaxSeries) {
        reader.Fail("invalid series count at byte " + FormatInt(countAt) + ": a graph holds at most " +
                    FormatInt(CGraph::MaxSeries) + " series, found " + FormatInt(count));
    }
    read.seriesTypes.fill(SeriesNone);
    for (uint16_t k = 0; k < count; ++k) {
        const size_t at = reader.Offset();
        uint16_t type = 0;
        if (!reader.Word(type, "series type")) break;
        if (type > SeriesLayer) {
            reader.Fail("invalid type of series " + FormatInt(k) + " at byte " + FormatInt(at) +
                        ": expected 0, 1 or 2, found " + FormatInt(type));
            break;
        }
        read.seriesTypes[k] = type;
    }
    reader.Text(read.title, "title");
    reader.Text(read.xLabel, "x label");
    reader.Text(read.yLabel, "y label");
    for (uint16_t& option : read.options) reader.Word(option, "option");
    if (reader.Error().empty() && reader.Remaining() > 0) {
        reader.Fail(FormatInt(reader.Remaining()) + (reader.Remaining() == 1 ? " byte" : " bytes") +
                    " after the graph at byte " + FormatInt(reader.Offset()));
    }
    if (!reader.Error().empty()) {
        error = reader.Error();
        return false;
    }
    graph = std::move(read);
    return true;
}

}  // namespace brelix
