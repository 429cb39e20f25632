// Test support: ZIP archives made in memory, entry by entry, with the odd and broken forms the
// reader must cope with (data descriptors, ZIP64 fields, forged sizes and offsets).
#ifndef ORU_PLUGINS_PARSER_COMMON_TEST_ZIP_WRITER_H_
#define ORU_PLUGINS_PARSER_COMMON_TEST_ZIP_WRITER_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oru::containers::testing {

struct TestEntry {
  std::string name;
  std::string data;     // the bytes the entry stands for
  uint16_t method = 8;  // 8: `data` is deflated; any other: `data` is written as it is
  uint16_t flags = 0;
  bool descriptor = false;  // flag bit 3: zero sizes and checksum in the local header, a
                            // descriptor after the data
  bool zip64 = false;       // saturated sizes and offset in the central record, with a ZIP64
                            // extra field holding them
  std::string local_name;   // when not empty, the local header's name
  std::string local_extra;  // the local header's extra field
  std::optional<std::string> payload;  // written in place of the stored or deflated `data`
  // The checksum and size of the bytes the entry stands for, when they are too many to hold in
  // `data` (left empty; `payload` then holds them deflated).
  std::optional<uint32_t> data_crc;
  std::optional<uint64_t> data_size;
  // Central record values that differ from the truth.
  std::optional<uint64_t> central_compressed_size;
  std::optional<uint64_t> central_offset;
  std::optional<uint32_t> central_crc;
};

// An entry of `name` and `data`, deflated, with `change` applied to it.
TestEntry Entry(std::string name, std::string data,
                const std::function<void(TestEntry&)>& change = {});

// The deflated form of `data` (raw deflate, as ZIP stores it).
std::string Deflate(const std::string& data);

class TestZipWriter {
 public:
  TestZipWriter& Add(TestEntry entry);
  TestZipWriter& Add(std::string name, std::string data, uint16_t method = 8);
  TestZipWriter& Comment(std::string comment);
  // Adds the ZIP64 end record and its locator.
  TestZipWriter& Zip64End();

  // The archive. Afterwards the offsets below describe it.
  std::string Build();
  std::vector<uint64_t> local_offsets;
  uint64_t directory_offset = 0;

 private:
  std::vector<TestEntry> entries_;
  std::string comment_;
  bool zip64_end_ = false;
};

}  // namespace oru::containers::testing

#endif  // ORU_PLUGINS_PARSER_COMMON_TEST_ZIP_WRITER_H_
