// The standard security handler, revisions 2 to 6 (RC4 of 40 to 128 bits, AES-128, AES-256),
// opened with the empty password, as most protected documents are distributed; permissions are
// not looked at. Ciphers and hashes come from libgcrypt.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_CRYPT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_CRYPT_H_

#include <memory>
#include <string>
#include <string_view>

#include "plugins/parser-pdf/pdf_document.h"

namespace oru::pdf {

enum class CryptStatus {
  kOpened,         // `out` decrypts the document
  kNeedsPassword,  // the empty password opens neither as user nor as owner
  kUnsupported,    // another security handler, or a dictionary too damaged to use
};

// Opens the encryption dictionary `encrypt` of `document` with the empty password; `first_id`
// is the first string of the trailer's /ID (may be empty).
CryptStatus OpenStandardSecurity(Document& document, const Dict& encrypt,
                                 std::string_view first_id, std::unique_ptr<Decryptor>* out);

// The pieces, for tests: MD5 and SHA-2 digests, RC4, and AES in CBC mode without padding.
std::string Md5(std::string_view data);
std::string Sha2(int bits, std::string_view data);
std::string Rc4(std::string_view key, std::string_view data);
// AES (a 16- or 32-byte key) in CBC mode over whole blocks; `encrypt` or decrypt.
std::string AesCbc(std::string_view key, std::string_view iv, std::string_view data,
                   bool encrypt);

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_CRYPT_H_
