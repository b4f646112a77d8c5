#pragma once
// The chunks of the NetCDF `flow(realization, time, station)` variable: R realizations ×
// every month × S stations, so that both ways hydrologists read an ensemble touch little of
// the file: one station of every realization reads the chunks of its S stations (about
// S/NGAUGE of the file), one realization of every station reads ⌈NGAUGE/S⌉ chunks, one chunk
// row, which lies in one piece on disk. The writer gathers the sequences of one chunk row
// and writes each chunk whole, so it holds one chunk row at most.
#include <cstddef>
#include <vector>

namespace flowplex {

struct FlowChunkShape {
  std::size_t realizations = 1;  // R
  std::size_t months = 1;        // every month of a realization
  std::size_t stations = 1;      // S

  // The chunks across the stations: ⌈NGAUGE/S⌉.
  std::size_t blocks(std::size_t gauges) const { return (gauges + stations - 1) / stations; }
  std::size_t bytes() const { return realizations * months * stations * sizeof(float); }
};

// At most this many stations share a chunk: a station read touches at most 8/NGAUGE of the
// file (plus the padding of the last station block).
inline constexpr std::size_t kMostStationsPerChunk = 8;
// A chunk holds at least this many bytes where the realizations allow it, so that reading
// one station of every realization takes few reads of the disk and the file has few chunks.
inline constexpr std::size_t kLeastChunkBytes = 256 * 1024;

// The chunk shape of a file of `realizations` realizations of `months` months of `gauges`
// gauges: S as even a split of the gauges into ⌈gauges/8⌉ blocks as can be, R the fewest
// realizations that make a chunk of 256 KiB (at most every realization of the file).
FlowChunkShape flow_chunk_shape(std::size_t realizations, std::size_t months, std::size_t gauges);

// The flows of one chunk row (realizations first to first+count-1), held chunk by chunk:
// the chunk of station block b is one contiguous (realization, time, station) array, ready
// to be written whole.
class FlowChunkRow {
 public:
  FlowChunkRow(FlowChunkShape shape, std::size_t gauges);

  // Starts the row of `count` realizations (R, or fewer in the last row).
  void begin(std::size_t count);
  // Places realization i of the row (0-based): its (time, station) flows, station fastest.
  void place(std::size_t i, const float* flow);
  std::size_t count() const { return count_; }
  std::size_t blocks() const { return shape_.blocks(gauges_); }
  std::size_t first_station(std::size_t b) const { return b * shape_.stations; }
  std::size_t stations(std::size_t b) const;
  // The chunk of block b: count() × months × stations(b) values.
  const float* chunk(std::size_t b) const { return values_.data() + offset(b); }

 private:
  std::size_t offset(std::size_t b) const { return shape_.realizations * shape_.months * first_station(b); }

  FlowChunkShape shape_;
  std::size_t gauges_;
  std::size_t count_ = 0;
  std::vector<float> values_;
};

}  // namespace flowplex
