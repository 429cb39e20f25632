// Writing a picture as a PNG file, for the screenshots the window tests take.
#ifndef ORU_TESTS_SUPPORT_PNG_FILE_H_
#define ORU_TESTS_SUPPORT_PNG_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace oru::testing {

// Writes `rgb` (`width` x `height` pixels, rows top to bottom, three bytes a pixel) to `path`
// as an 8-bit RGB PNG. False when the sizes disagree or the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_PNG_FILE_H_
