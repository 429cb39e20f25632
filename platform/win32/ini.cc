// Profile files through the system's profile routines: GetPrivateProfileStringA for values
// and key lists, GetPrivateProfileSectionNamesA for sections, WritePrivateProfileStringA for
// writes. The routines read the file at each call; nothing is kept here but its path.
#include "platform/ini.h"

#include <utility>

#include "platform/win32/error_result.h"
#include "platform/win32/win_api.h"

namespace oru::platform {
namespace {

std::string_view TrimSpacesAndTabs(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// True when the name or value would not read back as written: a line break or NUL anywhere,
// a "]" in a section name, an "=" in a key name, or a key name that is empty or reads as a
// header or comment.
bool CannotBeWritten(std::string_view section, std::string_view key, std::string_view value) {
  auto has_break = [](std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  };
  std::string_view name = TrimSpacesAndTabs(key);
  return has_break(section) || has_break(key) || has_break(value) ||
         section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
         name.empty() || name.front() == '[' || name.front() == ';';
}

// The calls take DWORD sizes; larger buffers gain nothing.
DWORD BufferSize(size_t size) { return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(size); }

// The names of a "name1\0name2\0...\0\0" list of `length` bytes (the count the call returns,
// which leaves out the closing NULs and may end inside a cut name).
std::vector<std::string> SplitList(const char* list, size_t length) {
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t i = 0; i <= length; ++i) {
    if (i == length || list[i] == '\0') {
      if (i > start || (i < length)) names.emplace_back(list + start, i - start);
      start = i + 1;
    }
  }
  return names;
}

}  // namespace

struct ProfileFile::Impl {
  std::string path;
};

ProfileFile::ProfileFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;
ProfileFile::~ProfileFile() = default;

ProfileFile ProfileFile::Open(std::string path) {
  return ProfileFile(std::make_unique<Impl>(Impl{std::move(path)}));
}

const std::string& ProfileFile::path() const { return impl_->path; }

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view default_value, size_t buffer_size) const {
  if (buffer_size == 0) return std::string();
  const std::string section_z(section);
  const std::string key_z(key);
  const std::string default_z(default_value);
  std::string buffer(BufferSize(buffer_size), '\0');
  const DWORD n =
      GetPrivateProfileStringA(section_z.c_str(), key_z.c_str(), default_z.c_str(), buffer.data(),
                               static_cast<DWORD>(buffer.size()), impl_->path.c_str());
  buffer.resize(n < buffer.size() ? n : buffer.size() - 1);
  return buffer;
}

std::vector<std::string> ProfileFile::SectionNames() const {
  // The call cuts the list to the buffer and then returns the buffer's size - 2: grow until
  // the whole list fits.
  for (DWORD size = 4096;; size *= 2) {
    std::string buffer(size, '\0');
    const DWORD n = GetPrivateProfileSectionNamesA(buffer.data(), size, impl_->path.c_str());
    if (n + 2 < size || size >= 0x40000000) return SplitList(buffer.data(), n);
  }
}

std::vector<std::string> ProfileFile::KeyNames(std::string_view section,
                                               size_t buffer_size) const {
  if (buffer_size < 2) return {};
  const std::string section_z(section);
  std::string buffer(BufferSize(buffer_size), '\0');
  const DWORD n = GetPrivateProfileStringA(section_z.c_str(), nullptr, "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()),
                                           impl_->path.c_str());
  return SplitList(buffer.data(), n < buffer.size() ? n : buffer.size());
}

Status ProfileFile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
  if (CannotBeWritten(section, key, value)) {
    return Status(Result::kFailed, "write", impl_->path,
                  "the name or value cannot be kept in a profile file");
  }
  // A read-only file is refused before the call, which would otherwise leave the new value in
  // the routines' cached copy of the file while the file itself stays unchanged.
  const DWORD attributes = GetFileAttributesA(impl_->path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return Status(Result::kFailed, "write", impl_->path, "it is a folder");
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return Status(Result::kDenied, "write", impl_->path, "the file is read-only");
    }
  }
  const std::string section_z(section);
  const std::string key_z(key);
  const std::string value_z(value);
  if (WritePrivateProfileStringA(section_z.c_str(), key_z.c_str(), value_z.c_str(),
                                 impl_->path.c_str())) {
    return Status();
  }
  return LastErrorStatus("write", impl_->path);
}

Status ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  const DWORD attributes = GetFileAttributesA(impl_->path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Status();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Status(Result::kFailed, "write", impl_->path, "it is a folder");
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status(Result::kDenied, "write", impl_->path, "the file is read-only");
  }
  const std::string section_z(section);
  const std::string key_z(key);
  if (WritePrivateProfileStringA(section_z.c_str(), key_z.c_str(), nullptr,
                                 impl_->path.c_str())) {
    return Status();
  }
  return LastErrorStatus("write", impl_->path);
}

Status ProfileFile::Change(const std::vector<ProfileChange>& changes) {
  for (const ProfileChange& change : changes) {
    const Status changed = change.value ? WriteString(change.section, change.key, *change.value)
                                        : DeleteKey(change.section, change.key);
    if (!changed.ok()) return changed;
  }
  return Status();
}

}  // namespace oru::platform
