// libFuzzer target: any bytes as the text of a query of oru search. Every input must either be
// refused with a position inside the text (or just past it) and a message, or parse into a tree
// whose canonical text parses again into the same canonical text (unless its parentheses nest
// past the limit); preparing the tree (any bytes
// in its words) must end in one of its three outcomes with every term numbered in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/oru/query/parse.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckTerms(const oru::tool::QueryNode& node, const oru::tool::Query& query, size_t* next) {
  using oru::tool::NodeKind;
  if (node.kind == NodeKind::kWord || node.kind == NodeKind::kPrefix ||
      node.kind == NodeKind::kPhrase) {
    Check(node.term == (*next)++ && node.term < query.terms.size());
    Check(!node.words.empty());
  }
  if (node.kind == NodeKind::kNot) Check(node.children.size() == 1);
  for (const auto& child : node.children) CheckTerms(child, query, next);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  oru::tool::Query query;
  oru::tool::QueryError error;
  if (!oru::tool::ParseQuery(text, {}, &query, &error)) {
    Check(error.position <= text.size() || error.position == oru::tool::kMaxQueryBytes);
    Check(!error.message.empty());
    return 0;
  }
  const std::string canonical = oru::tool::QueryToText(query.root);
  oru::tool::Query again;
  if (oru::tool::ParseQuery(canonical, {}, &again, &error)) {
    Check(oru::tool::QueryToText(again.root) == canonical);
  } else {
    // The canonical text parenthesises every group, so it may nest deeper than the input did.
    Check(error.message.find("within one another") != std::string::npos);
  }

  // Prepared for an index of each encoding: a UTF-8 index may make several words of one.
  for (oru::TextEncoding encoding : {oru::TextEncoding::kWindows1252, oru::TextEncoding::kUtf8}) {
    oru::tool::Query prepared_query = query;
    std::vector<oru::tool::QueryNote> notes;
    const oru::tool::Prepared prepared = oru::tool::PrepareQuery(
        &prepared_query, oru::StopList({"the", "and"}), "/cwd/", &notes, encoding);
    if (prepared == oru::tool::Prepared::kReady) {
      size_t next = 0;
      CheckTerms(prepared_query.root, prepared_query, &next);
      Check(next == prepared_query.terms.size());
    }
  }
  return 0;
}
