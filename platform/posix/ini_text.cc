#include "platform/posix/ini_text.h"

#include <utility>

#include "platform/codepage.h"

namespace oru::platform::ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The comparison form of a section or key name.
std::string NameKey(std::string_view name) { return LowerAnsi(TrimBlanks(name)); }

// What must follow a line whose end is `end` before another line can start after it.
std::string_view LineEndCompletion(std::string_view end, std::string_view eol) {
  if (end.empty()) return eol;
  if (end.back() == '\r') return "\n";
  return {};
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view CleanValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

ProfileText::ProfileText(std::string text) : text_(std::move(text)) { Parse(); }

void ProfileText::Parse() {
  const std::string_view all = text_;
  size_t first_lf = all.find('\n');
  eol_ = (first_lf != std::string_view::npos && first_lf > 0 && all[first_lf - 1] == '\r')
             ? "\r\n"
             : "\n";
  Section* current = nullptr;
  size_t begin = 0;
  while (begin < all.size()) {
    size_t lf = all.find('\n', begin);
    size_t next = lf == std::string_view::npos ? all.size() : lf + 1;
    size_t content_end = lf == std::string_view::npos ? all.size() : lf;
    if (content_end > begin && all[content_end - 1] == '\r') --content_end;
    std::string_view line = all.substr(begin, content_end - begin);
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    if (start < line.size() && line[start] == '[') {
      std::string_view name = line.substr(start + 1);
      name = TrimBlanks(name.substr(0, name.find(']')));
      first_section_.try_emplace(NameKey(name), sections_.size());
      sections_.push_back(Section{std::string(name), next, content_end, {}, {}});
      current = &sections_.back();
    } else if (current != nullptr && start < line.size() && line[start] != ';') {
      size_t eq = line.find('=');
      std::string_view name =
          eq == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(0, eq));
      if (!name.empty()) {
        current->first_key.try_emplace(NameKey(name), current->keys.size());
        current->keys.push_back(Key{std::string(name), begin, begin + eq + 1, content_end, next});
      }
    }
    begin = next;
  }
}

const ProfileText::Section* ProfileText::FindSection(std::string_view name) const {
  auto it = first_section_.find(NameKey(name));
  return it == first_section_.end() ? nullptr : &sections_[it->second];
}

std::vector<std::string> ProfileText::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& section : sections_) names.push_back(section.name);
  return names;
}

const std::vector<ProfileText::Key>* ProfileText::Keys(std::string_view section) const {
  const Section* found = FindSection(section);
  return found == nullptr ? nullptr : &found->keys;
}

const ProfileText::Key* ProfileText::FindKey(std::string_view section,
                                             std::string_view key) const {
  const Section* found = FindSection(section);
  if (found == nullptr) return nullptr;
  auto it = found->first_key.find(NameKey(key));
  return it == found->first_key.end() ? nullptr : &found->keys[it->second];
}

std::string_view ProfileText::RawValue(const Key& key) const {
  return std::string_view(text_).substr(key.value_begin, key.content_end - key.value_begin);
}

std::string ProfileText::WithValue(std::string_view section, std::string_view key,
                                   std::string_view value) const {
  const std::string_view all = text_;
  std::string out;
  out.reserve(all.size() + section.size() + key.size() + value.size() + 8);
  if (const Key* found = FindKey(section, key)) {
    out.append(all.substr(0, found->value_begin));
    out.append(value);
    out.append(all.substr(found->content_end));
    return out;
  }
  if (const Section* found = FindSection(section)) {
    size_t content_end = found->header_content_end;
    size_t at = found->header_next;
    if (!found->keys.empty()) {
      content_end = found->keys.back().content_end;
      at = found->keys.back().next;
    }
    out.append(all.substr(0, at));
    out.append(LineEndCompletion(all.substr(content_end, at - content_end), eol_));
    out.append(key).append("=").append(value).append(eol_);
    out.append(all.substr(at));
    return out;
  }
  out.append(all);
  if (!all.empty() && all.back() != '\n') out.append(all.back() == '\r' ? "\n" : eol_);
  out.append("[").append(section).append("]").append(eol_);
  out.append(key).append("=").append(value).append(eol_);
  return out;
}

std::string ProfileText::WithoutKey(std::string_view section, std::string_view key) const {
  const Key* found = FindKey(section, key);
  if (found == nullptr) return text_;
  return text_.substr(0, found->line_begin) + text_.substr(found->next);
}

}  // namespace oru::platform::ini
