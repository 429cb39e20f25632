// The values of a PDF file: null, booleans, numbers, strings, names, arrays, dictionaries,
// references to indirect objects, streams (a dictionary and its raw bytes) and, in content
// streams, operators. Arrays and dictionaries are shared, so copying an object is cheap.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_OBJECT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_OBJECT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oru::pdf {

enum class Type : uint8_t {
  kNull, kBool, kInt, kReal, kString, kName, kArray, kDict, kRef, kStream, kOperator
};

struct Object;
using Array = std::vector<Object>;

// A dictionary keeps its entries in file order; a key given twice keeps its first value.
struct Dict {
  std::vector<std::pair<std::string, Object>> entries;
  // The value of `key`, or null when there is none.
  const Object* Find(std::string_view key) const;
};

struct Object {
  Type type = Type::kNull;
  bool boolean = false;
  int64_t integer = 0;  // kInt; the object number of kRef
  double real = 0;      // kReal
  int generation = 0;   // kRef
  std::string text;     // the bytes of kString, kName (without '/', #xx decoded), kOperator
  std::shared_ptr<Array> array;  // kArray
  std::shared_ptr<Dict> dict;    // kDict, kStream
  std::string_view raw;  // kStream: the encoded bytes, inside the document's bytes
  uint32_t stream_number = 0;  // kStream: the object it was read as (for decryption)
  int stream_generation = 0;

  bool IsNull() const { return type == Type::kNull; }
  bool IsNumber() const { return type == Type::kInt || type == Type::kReal; }
  bool IsName(std::string_view name) const { return type == Type::kName && text == name; }
  // The number as a double (0 for anything else).
  double Number() const {
    return type == Type::kInt ? static_cast<double>(integer) : type == Type::kReal ? real : 0;
  }
  // The number as an integer (reals truncated toward zero and clamped; 0 for anything else).
  int64_t Integer() const;
  // The dictionary of a kDict or kStream, else null.
  const Dict* AsDict() const {
    return type == Type::kDict || type == Type::kStream ? dict.get() : nullptr;
  }
  const Array* AsArray() const { return type == Type::kArray ? array.get() : nullptr; }

  static Object Int(int64_t v) { Object o; o.type = Type::kInt; o.integer = v; return o; }
  static Object Name(std::string name) {
    Object o;
    o.type = Type::kName;
    o.text = std::move(name);
    return o;
  }
  static Object Ref(int64_t number, int generation) {
    Object o;
    o.type = Type::kRef;
    o.integer = number;
    o.generation = generation;
    return o;
  }
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_OBJECT_H_
