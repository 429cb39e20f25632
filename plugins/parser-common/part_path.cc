#include "plugins/parser-common/part_path.h"

#include <vector>

namespace oru::containers {
namespace {

// Appends the segments of `path` to `segments`, applying "." and "..".
void Walk(std::string_view path, std::vector<std::string_view>* segments) {
  while (!path.empty()) {
    const size_t slash = path.find('/');
    const std::string_view segment = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments->empty()) segments->pop_back();
      continue;
    }
    segments->push_back(segment);
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ResolvePartName(std::string_view base, std::string_view target) {
  std::vector<std::string_view> segments;
  if (target.empty() || target.front() != '/') {
    const size_t slash = base.rfind('/');
    if (slash != std::string_view::npos) Walk(base.substr(0, slash), &segments);
  }
  Walk(target, &segments);
  std::string name;
  for (const std::string_view segment : segments) {
    if (!name.empty()) name += '/';
    name += segment;
  }
  return name;
}

std::string UnescapePartName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 2 < name.size() && HexValue(name[i + 1]) >= 0 &&
        HexValue(name[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(name[i + 1]) * 16 + HexValue(name[i + 2]));
      i += 2;
    } else {
      out += name[i];
    }
  }
  return out;
}

}  // namespace oru::containers
