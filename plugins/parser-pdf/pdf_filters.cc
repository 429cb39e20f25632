#include "plugins/parser-pdf/pdf_filters.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "plugins/parser-pdf/pdf_lexer.h"

namespace oru::pdf {
namespace {

// Appends `n` bytes of `data` within `limit` output bytes; false when they did not all fit.
bool AppendWithin(const char* data, size_t n, size_t limit, std::string* out) {
  const size_t room = out->size() < limit ? limit - out->size() : 0;
  out->append(data, std::min(n, room));
  return n <= room;
}

DecodeStatus Inflate(std::string_view in, int window_bits, size_t limit, std::string* out,
                     size_t* consumed) {
  z_stream z{};
  if (inflateInit2(&z, window_bits) != Z_OK) return DecodeStatus::kDamaged;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(std::min<size_t>(in.size(), UINT32_MAX));
  const size_t start = out->size();
  const size_t end = start + limit;
  // Inflates straight into `out`, growing it geometrically up to the limit (plus one byte, to
  // tell "exactly the limit" from "more than the limit").
  size_t filled = start;
  DecodeStatus status = DecodeStatus::kDamaged;
  for (;;) {
    if (filled == out->size()) {
      const size_t want = std::max<size_t>(filled - start, size_t{1} << 16);
      const size_t room = end + 1 - filled;
      out->resize(filled + std::min(want, room));
    }
    const size_t space = std::min<size_t>(out->size() - filled, UINT32_MAX);
    z.next_out = reinterpret_cast<Bytef*>(out->data() + filled);
    z.avail_out = static_cast<uInt>(space);
    const int rc = inflate(&z, Z_NO_FLUSH);
    const size_t produced = space - z.avail_out;
    filled += produced;
    if (filled > end) {
      filled = end;
      status = DecodeStatus::kLimit;
      break;
    }
    if (rc == Z_STREAM_END) {
      status = DecodeStatus::kOk;
      break;
    }
    if (rc != Z_OK) break;  // damaged data, or input ended early: what inflated stays
    if (produced == 0 && z.avail_in == 0) break;
  }
  out->resize(filled);
  *consumed = in.size() - z.avail_in;
  inflateEnd(&z);
  return status;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

}  // namespace

DecodeStatus FlateDecode(std::string_view in, size_t limit, std::string* out) {
  const size_t start = out->size();
  size_t consumed = 0;
  // zlib or gzip framing first; a stream without its two-byte header is read as raw deflate.
  DecodeStatus status = Inflate(in, 15 + 32, limit, out, &consumed);
  if (status == DecodeStatus::kDamaged && out->size() == start) {
    status = Inflate(in, -15, limit, out, &consumed);
  }
  return status;
}

DecodeStatus LzwDecode(std::string_view in, int early_change, size_t limit, std::string* out) {
  const size_t start = out->size();
  // The table holds each entry as (prefix entry, last byte, length); an entry's bytes are
  // written back to front straight into the output.
  struct Entry { uint16_t prefix; uint8_t byte; uint32_t length; };
  std::vector<Entry> table(4096);
  for (int k = 0; k < 256; ++k) table[k] = {0, static_cast<uint8_t>(k), 1};
  int next = 258;
  int width = 9;
  int previous = -1;
  uint32_t bits = 0;
  int bit_count = 0;
  size_t pos = 0;
  for (;;) {
    while (bit_count < width && pos < in.size()) {
      bits = (bits << 8) | static_cast<uint8_t>(in[pos++]);
      bit_count += 8;
    }
    if (bit_count < width) return DecodeStatus::kOk;  // the data ended without EOD
    const int code = static_cast<int>((bits >> (bit_count - width)) & ((1u << width) - 1));
    bit_count -= width;
    if (code == 256) {
      next = 258;
      width = 9;
      previous = -1;
      continue;
    }
    if (code == 257) return DecodeStatus::kOk;
    int entry = code;
    if (code >= next) {
      // The one code not yet in the table: the previous entry plus its own first byte.
      if (code != next || previous < 0) return DecodeStatus::kDamaged;
      entry = previous;
    }
    const uint32_t length = table[entry].length;
    const size_t at = out->size();
    const size_t extra = entry == previous && code == next ? 1 : 0;
    if (out->size() - start + length + extra > limit) return DecodeStatus::kLimit;
    out->resize(at + length + extra);
    int walk = entry;
    for (uint32_t k = length; k-- > 0;) {
      (*out)[at + k] = static_cast<char>(table[walk].byte);
      walk = table[walk].prefix;
    }
    if (extra) (*out)[at + length] = (*out)[at];
    if (previous >= 0 && next < 4096) {
      table[next] = {static_cast<uint16_t>(previous), static_cast<uint8_t>((*out)[at]),
                     table[previous].length + 1};
      ++next;
    }
    previous = code;
    if (next + early_change >= (1 << width) && width < 12) ++width;
  }
}

DecodeStatus Ascii85Decode(std::string_view in, size_t limit, std::string* out) {
  const size_t start = out->size();
  uint32_t group = 0;
  int count = 0;
  char bytes[4];
  for (size_t k = 0; k < in.size(); ++k) {
    const unsigned char c = in[k];
    if (c == '~') break;
    if (IsPdfSpace(c)) continue;
    if (c == 'z' && count == 0) {
      if (!AppendWithin("\0\0\0\0", 4, start + limit, out)) return DecodeStatus::kLimit;
      continue;
    }
    if (c < '!' || c > 'u') return DecodeStatus::kDamaged;
    group = group * 85 + (c - '!');
    if (++count == 5) {
      for (int b = 0; b < 4; ++b) bytes[b] = static_cast<char>(group >> (24 - 8 * b));
      if (!AppendWithin(bytes, 4, start + limit, out)) return DecodeStatus::kLimit;
      group = 0;
      count = 0;
    }
  }
  if (count > 1) {
    for (int k = count; k < 5; ++k) group = group * 85 + 84;
    for (int b = 0; b < 4; ++b) bytes[b] = static_cast<char>(group >> (24 - 8 * b));
    if (!AppendWithin(bytes, count - 1, start + limit, out)) return DecodeStatus::kLimit;
  }
  return DecodeStatus::kOk;
}

DecodeStatus AsciiHexDecode(std::string_view in, size_t limit, std::string* out) {
  const size_t start = out->size();
  int high = -1;
  for (const char ch : in) {
    const unsigned char c = ch;
    if (c == '>') break;
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
      continue;
    }
    const char byte = static_cast<char>(high * 16 + v);
    if (!AppendWithin(&byte, 1, start + limit, out)) return DecodeStatus::kLimit;
    high = -1;
  }
  if (high >= 0) {
    const char byte = static_cast<char>(high * 16);
    if (!AppendWithin(&byte, 1, start + limit, out)) return DecodeStatus::kLimit;
  }
  return DecodeStatus::kOk;
}

DecodeStatus RunLengthDecode(std::string_view in, size_t limit, std::string* out) {
  const size_t start = out->size();
  size_t pos = 0;
  while (pos < in.size()) {
    const unsigned char n = in[pos++];
    if (n == 128) return DecodeStatus::kOk;
    if (n < 128) {
      const size_t count = std::min<size_t>(n + 1, in.size() - pos);
      if (!AppendWithin(in.data() + pos, count, start + limit, out)) return DecodeStatus::kLimit;
      pos += count;
      if (count < size_t{n} + 1) return DecodeStatus::kDamaged;
    } else {
      if (pos >= in.size()) return DecodeStatus::kDamaged;
      const size_t count = 257 - n;
      if (out->size() - start + count > limit) return DecodeStatus::kLimit;
      out->append(count, in[pos++]);
    }
  }
  return DecodeStatus::kOk;
}

bool UndoPredictor(const FilterStep& step, std::string* data) {
  if (step.predictor < 2) return true;
  if (step.colors < 1 || step.colors > 32 || step.columns < 1 || step.columns > (1 << 24)) {
    return false;
  }
  const int bpc = step.bits_per_component;
  if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) return false;
  const size_t bits_per_pixel = static_cast<size_t>(step.colors) * bpc;
  const size_t row = (bits_per_pixel * step.columns + 7) / 8;
  const size_t bpp = std::max<size_t>(1, bits_per_pixel / 8);
  if (row > data->size() + 1) return false;  // not one whole row: no sensible predictor
  if (step.predictor == 2) {
    if (bpc != 8) return false;
    for (size_t r = 0; r + row <= data->size(); r += row) {
      for (size_t k = bpp; k < row; ++k) {
        (*data)[r + k] = static_cast<char>((*data)[r + k] + (*data)[r + k - bpp]);
      }
    }
    return true;
  }
  if (step.predictor < 10) return false;
  // PNG: each row starts with its own filter type byte; the output drops those bytes.
  std::string result;
  result.reserve(data->size());
  std::string previous(row, '\0');
  std::string current(row, '\0');
  size_t pos = 0;
  while (pos < data->size()) {
    const unsigned char type = (*data)[pos++];
    const size_t n = std::min(row, data->size() - pos);
    std::memcpy(current.data(), data->data() + pos, n);
    if (n < row) std::memset(current.data() + n, 0, row - n);
    pos += n;
    for (size_t k = 0; k < row; ++k) {
      const int left = k >= bpp ? static_cast<uint8_t>(current[k - bpp]) : 0;
      const int up = static_cast<uint8_t>(previous[k]);
      const int up_left = k >= bpp ? static_cast<uint8_t>(previous[k - bpp]) : 0;
      int add = 0;
      switch (type) {
        case 1: add = left; break;
        case 2: add = up; break;
        case 3: add = (left + up) / 2; break;
        case 4: add = Paeth(left, up, up_left); break;
        default: break;
      }
      current[k] = static_cast<char>(static_cast<uint8_t>(current[k]) + add);
    }
    result.append(current.data(), n);
    previous.swap(current);
  }
  data->swap(result);
  return true;
}

DecodeStatus DecodeStream(std::string_view raw, const std::vector<FilterStep>& steps,
                          size_t* allowance, std::string* out) {
  out->clear();
  std::string input;
  std::string_view current = raw;  // the first step reads the raw bytes without a copy
  size_t last = steps.size();
  while (last > 0 && steps[last - 1].name == "Crypt") --last;
  DecodeStatus status = DecodeStatus::kOk;
  for (size_t index = 0; index < steps.size(); ++index) {
    const FilterStep& step = steps[index];
    const std::string& n = step.name;
    // The last step decodes straight into `out`, whose buffer the caller may reuse.
    std::string spare;
    std::string& output = index + 1 == last ? *out : spare;
    output.clear();
    DecodeStatus s;
    if (n == "FlateDecode" || n == "Fl") {
      s = FlateDecode(current, *allowance, &output);
    } else if (n == "LZWDecode" || n == "LZW") {
      s = LzwDecode(current, step.early_change, *allowance, &output);
    } else if (n == "ASCII85Decode" || n == "A85") {
      s = Ascii85Decode(current, *allowance, &output);
    } else if (n == "ASCIIHexDecode" || n == "AHx") {
      s = AsciiHexDecode(current, *allowance, &output);
    } else if (n == "RunLengthDecode" || n == "RL") {
      s = RunLengthDecode(current, *allowance, &output);
    } else if (n == "Crypt") {
      continue;  // decryption is done before the chain
    } else {
      return DecodeStatus::kUnsupported;
    }
    *allowance -= std::min(*allowance, output.size());
    if ((n == "FlateDecode" || n == "Fl" || n == "LZWDecode" || n == "LZW") &&
        !UndoPredictor(step, &output)) {
      s = DecodeStatus::kDamaged;
    }
    if (&output == out) {
      current = *out;
      if (s != DecodeStatus::kOk) status = s;
      break;
    }
    input.swap(output);
    current = input;
    if (s != DecodeStatus::kOk) {
      status = s;
      break;
    }
  }
  if (current.data() == raw.data()) {
    out->assign(raw);  // no step decoded anything (only Crypt)
  } else if (current.data() != out->data()) {
    out->swap(input);
  }
  return status;
}

}  // namespace oru::pdf
