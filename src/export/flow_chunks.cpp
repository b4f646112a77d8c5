#include "export/flow_chunks.hpp"

#include <algorithm>
#include <cstring>

namespace flowplex {

FlowChunkShape flow_chunk_shape(std::size_t realizations, std::size_t months, std::size_t gauges) {
  FlowChunkShape shape;
  shape.months = std::max<std::size_t>(months, 1);
  const std::size_t g = std::max<std::size_t>(gauges, 1);
  const std::size_t blocks = (g + kMostStationsPerChunk - 1) / kMostStationsPerChunk;
  shape.stations = (g + blocks - 1) / blocks;
  const std::size_t per_realization = shape.months * shape.stations * sizeof(float);
  const std::size_t wanted = (kLeastChunkBytes + per_realization - 1) / per_realization;
  shape.realizations = std::clamp<std::size_t>(wanted, 1, std::max<std::size_t>(realizations, 1));
  return shape;
}

FlowChunkRow::FlowChunkRow(FlowChunkShape shape, std::size_t gauges)
    : shape_(shape), gauges_(gauges), values_(shape.realizations * shape.months * gauges) {}

void FlowChunkRow::begin(std::size_t count) { count_ = std::min(count, shape_.realizations); }

std::size_t FlowChunkRow::stations(std::size_t b) const {
  return std::min(shape_.stations, gauges_ - first_station(b));
}

void FlowChunkRow::place(std::size_t i, const float* flow) {
  const std::size_t months = shape_.months;
  for (std::size_t b = 0; b < blocks(); ++b) {
    const std::size_t width = stations(b);
    float* to = values_.data() + offset(b) + i * months * width;
    const float* from = flow + first_station(b);
    for (std::size_t t = 0; t < months; ++t, to += width, from += gauges_)
      std::memcpy(to, from, width * sizeof(float));
  }
}

}  // namespace flowplex
