#include "platform/status.h"

#include <ostream>

namespace oru::platform {

std::string Status::Message() const {
  if (ok()) return "ok";
  std::string text = "cannot " + (operation_.empty() ? std::string("go on") : operation_);
  if (!path_.empty()) text += " " + path_;
  text += ": " + (reason_.empty() ? std::string(ResultName(result_)) : reason_);
  return text;
}

void PrintTo(const Status& status, std::ostream* out) { *out << status.Message(); }

}  // namespace oru::platform
