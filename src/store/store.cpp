#include "store/store.hpp"

#include <stdexcept>

namespace flowplex {

SeriesBlock& RiverSystem::qrec(int type) {
  return const_cast<SeriesBlock&>(static_cast<const RiverSystem&>(*this).qrec(type));
}

const SeriesBlock& RiverSystem::qrec(int type) const {
  switch (type) {
    case 1: return QREC01;
    case 2: return QREC02;
    case 3: return QREC03;
    case 4: return QREC04;
    case 5: return QREC05;
    default: throw std::out_of_range("series type outside 1..5");
  }
}

std::unique_ptr<Store> make_store() { return std::make_unique<Store>(); }

}  // namespace flowplex
