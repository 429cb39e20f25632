#include "plugins/parser-pdf/pdf_object.h"

#include <cmath>

namespace oru::pdf {

const Object* Dict::Find(std::string_view key) const {
  for (const auto& [name, value] : entries) {
    if (name == key) return &value;
  }
  return nullptr;
}

int64_t Object::Integer() const {
  if (type == Type::kInt) return integer;
  if (type != Type::kReal || !std::isfinite(real)) return 0;
  if (real >= 9.0e18) return INT64_MAX;
  if (real <= -9.0e18) return INT64_MIN;
  return static_cast<int64_t>(real);
}

}  // namespace oru::pdf
