#include "plugins/parser-common/test_zip_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/little_endian.h"

namespace oru::containers::testing {
namespace {

std::string Le(uint64_t value, size_t width) { return platform::LeBytes(value, width); }

uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace

TestEntry Entry(std::string name, std::string data, const std::function<void(TestEntry&)>& change) {
  TestEntry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  if (change) change(entry);
  return entry;
}

std::string Deflate(const std::string& data) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TestZipWriter& TestZipWriter::Add(TestEntry entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

TestZipWriter& TestZipWriter::Add(std::string name, std::string data, uint16_t method) {
  TestEntry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  entry.method = method;
  return Add(std::move(entry));
}

TestZipWriter& TestZipWriter::Comment(std::string comment) {
  comment_ = std::move(comment);
  return *this;
}

TestZipWriter& TestZipWriter::Zip64End() {
  zip64_end_ = true;
  return *this;
}

std::string TestZipWriter::Build() {
  std::string out, directory;
  local_offsets.clear();
  for (const TestEntry& e : entries_) {
    const std::string body = e.payload ? *e.payload : e.method == 8 ? Deflate(e.data) : e.data;
    const uint32_t crc = e.data_crc.value_or(Crc(e.data));
    const uint64_t size = e.data_size.value_or(e.data.size());
    const uint16_t flags = static_cast<uint16_t>(e.flags | (e.descriptor ? 8 : 0));
    const std::string& local_name = e.local_name.empty() ? e.name : e.local_name;
    const uint64_t offset = out.size();
    local_offsets.push_back(offset);
    out += Le(0x04034B50, 4) + Le(20, 2) + Le(flags, 2) + Le(e.method, 2) + Le(0, 4);
    if (e.descriptor) {
      out += Le(0, 4) + Le(0, 4) + Le(0, 4);
    } else {
      out += Le(crc, 4) + Le(body.size(), 4) + Le(size, 4);
    }
    out += Le(local_name.size(), 2) + Le(e.local_extra.size(), 2) + local_name + e.local_extra;
    out += body;
    if (e.descriptor)
      out += Le(0x08074B50, 4) + Le(crc, 4) + Le(body.size(), 4) + Le(size, 4);

    const uint64_t compressed = e.central_compressed_size.value_or(body.size());
    const uint64_t at = e.central_offset.value_or(offset);
    std::string extra;
    if (e.zip64)
      extra = Le(1, 2) + Le(24, 2) + Le(size, 8) + Le(compressed, 8) + Le(at, 8);
    const uint64_t saturated = 0xFFFFFFFF;
    directory += Le(0x02014B50, 4) + Le(45, 2) + Le(45, 2) + Le(flags, 2) + Le(e.method, 2) +
                 Le(0, 4) + Le(e.central_crc.value_or(crc), 4) +
                 Le(e.zip64 ? saturated : compressed, 4) +
                 Le(e.zip64 ? saturated : size, 4) + Le(e.name.size(), 2) +
                 Le(extra.size(), 2) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) +
                 Le(e.zip64 ? saturated : at, 4) + e.name + extra;
  }
  directory_offset = out.size();
  out += directory;
  const uint64_t count = entries_.size();
  if (zip64_end_) {
    const uint64_t record = out.size();
    out += Le(0x06064B50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 4) + Le(0, 4) +
           Le(count, 8) + Le(count, 8) + Le(directory.size(), 8) + Le(directory_offset, 8);
    out += Le(0x07064B50, 4) + Le(0, 4) + Le(record, 8) + Le(1, 4);
  }
  const uint64_t count16 = zip64_end_ ? 0xFFFF : count;
  const uint64_t size32 = zip64_end_ ? 0xFFFFFFFF : directory.size();
  const uint64_t offset32 = zip64_end_ ? 0xFFFFFFFF : directory_offset;
  out += Le(0x06054B50, 4) + Le(0, 2) + Le(0, 2) + Le(count16, 2) + Le(count16, 2) + Le(size32, 4) +
         Le(offset32, 4) + Le(comment_.size(), 2) + comment_;
  return out;
}

}  // namespace oru::containers::testing
