#include "plugins/parser-rtf/rtf_code_pages.h"

namespace oru::rtf {

// clang-format off
int CharsetCodePage(int charset) {
  switch (charset) {
    case 0: return 1252;    // ANSI
    case 2: return kSymbolCodePage;
    case 77: return 10000;  // Mac Roman
    case 78: return 10001;  // Mac Japanese
    case 79: return 10003;  // Mac Korean
    case 80: return 10008;  // Mac Simplified Chinese
    case 81: return 10002;  // Mac Traditional Chinese
    case 83: return 10005;  // Mac Hebrew
    case 84: return 10004;  // Mac Arabic
    case 85: return 10006;  // Mac Greek
    case 86: return 10081;  // Mac Turkish
    case 87: return 10021;  // Mac Thai
    case 88: return 10029;  // Mac Central European
    case 89: return 10007;  // Mac Cyrillic
    case 128: return 932;   // Shift JIS
    case 129: return 949;   // Hangul
    case 130: return 1361;  // Johab
    case 134: return 936;   // GB 2312
    case 136: return 950;   // Big5
    case 161: return 1253;  // Greek
    case 162: return 1254;  // Turkish
    case 163: return 1258;  // Vietnamese
    case 177: return 1255;  // Hebrew
    case 178: return 1256;  // Arabic
    case 179: return 1256;  // Arabic Traditional
    case 180: return 1256;  // Arabic user
    case 181: return 1255;  // Hebrew user
    case 186: return 1257;  // Baltic
    case 204: return 1251;  // Russian
    case 222: return 874;   // Thai
    case 238: return 1250;  // Eastern European
    case 254: return 437;   // PC 437
    case 255: return 437;   // OEM
    default: return kDocumentCodePage;
  }
}

bool IsDoubleByteCodePage(int code_page) {
  switch (code_page) {
    case 932: case 936: case 949: case 950: case 1361:
    case 10001: case 10002: case 10003: case 10008:
      return true;
    default:
      return false;
  }
}

bool IsLeadByte(int code_page, uint8_t byte) {
  if (code_page == 932 || code_page == 10001) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  }
  if (code_page == 1361) return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xF9);
  return IsDoubleByteCodePage(code_page) && byte >= 0x81 && byte <= 0xFE;
}

}  // namespace oru::rtf// clang-format on

