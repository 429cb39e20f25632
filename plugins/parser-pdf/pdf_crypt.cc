#include "plugins/parser-pdf/pdf_crypt.h"

#include <gcrypt.h>

#include <algorithm>
#include <mutex>

#include "platform/little_endian.h"

namespace oru::pdf {
namespace {

// The padding string that stretches passwords to 32 bytes (revisions 2 to 4).
constexpr char kPadding[] =
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";

// libgcrypt is initialised once per process, whichever thread parses first; a host that set it
// up already is left as it is.
void InitGcrypt() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) == 0) {
      gcry_check_version(nullptr);
      gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
      gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
  });
}

std::string Digest(int algorithm, std::string_view data) {
  InitGcrypt();
  std::string out(gcry_md_get_algo_dlen(algorithm), '\0');
  gcry_md_hash_buffer(algorithm, out.data(), data.data(), data.size());
  return out;
}

enum class Method { kIdentity, kRc4, kAes128, kAes256 };

class StandardDecryptor : public Decryptor {
 public:
  StandardDecryptor(std::string key, Method strings, Method streams, bool encrypt_metadata)
      : key_(std::move(key)), strings_(strings), streams_(streams),
        encrypt_metadata_(encrypt_metadata) {}

  void DecryptString(uint32_t number, int generation, std::string* text) const override {
    *text = Decrypt(strings_, number, generation, *text);
  }

  std::string DecryptStream(uint32_t number, int generation, const Dict& dict,
                            std::string_view raw) const override {
    const Object* type = dict.Find("Type");
    if (!encrypt_metadata_ && type != nullptr && type->IsName("Metadata")) return std::string(raw);
    return Decrypt(streams_, number, generation, raw);
  }

 private:
  std::string Decrypt(Method method, uint32_t number, int generation, std::string_view data) const {
    if (method == Method::kIdentity) return std::string(data);
    std::string key = key_;
    if (method != Method::kAes256) {
      // The object's key: the file key with the object number and generation, hashed.
      std::string salted = key_;
      salted += platform::LeBytes(number, 3);
      salted += platform::LeBytes(static_cast<uint64_t>(generation), 2);
      if (method == Method::kAes128) salted += "sAlT";
      key = Md5(salted).substr(0, std::min<size_t>(key_.size() + 5, 16));
    }
    if (method == Method::kRc4) return Rc4(key, data);
    // AES: the first block is the initialisation vector; the padding is removed.
    if (data.size() < 32) return std::string();
    const size_t whole = (data.size() - 16) / 16 * 16;
    std::string plain = AesCbc(key, data.substr(0, 16), data.substr(16, whole), false);
    const uint8_t pad = plain.empty() ? 0 : static_cast<uint8_t>(plain.back());
    if (pad >= 1 && pad <= 16 && pad <= plain.size()) plain.resize(plain.size() - pad);
    return plain;
  }

  std::string key_;
  Method strings_, streams_;
  bool encrypt_metadata_;
};

std::string Bytes32(std::string_view s) {
  std::string out(s.substr(0, 32));
  if (out.size() < 32) out.append(32 - out.size(), '\0');
  return out;
}

// The file key for a (padded) user password, revisions 2 to 4.
std::string FileKey(const std::string& padded_password, std::string_view owner, int32_t permissions,
                    std::string_view first_id, int revision, size_t length, bool encrypt_metadata) {
  std::string input = padded_password + Bytes32(owner);
  input += platform::LeBytes(static_cast<uint32_t>(permissions), 4);
  input += first_id;
  if (revision >= 4 && !encrypt_metadata) input += "\xFF\xFF\xFF\xFF";
  std::string key = Md5(input);
  if (revision >= 3) {
    for (int k = 0; k < 50; ++k) key = Md5(key.substr(0, length));
  }
  return key.substr(0, length);
}

bool UserKeyMatches(const std::string& key, std::string_view user, std::string_view first_id,
                    int revision) {
  const std::string padding(kPadding, 32);
  if (revision == 2) return Rc4(key, padding) == Bytes32(user);
  std::string x = Rc4(key, Md5(padding + std::string(first_id)));
  for (int i = 1; i <= 19; ++i) {
    std::string round = key;
    for (char& c : round) c = static_cast<char>(c ^ i);
    x = Rc4(round, x);
  }
  return user.size() >= 16 && x == user.substr(0, 16);
}

// The hash of revisions 5 (one SHA-256) and 6 (rounds of AES and SHA-2).
std::string Hash2B(std::string_view password, std::string_view salt, std::string_view udata,
                   int revision) {
  std::string k = Sha2(256, std::string(password) + std::string(salt) + std::string(udata));
  if (revision < 6) return k;
  for (int round = 0;; ++round) {
    std::string block = std::string(password) + k + std::string(udata);
    std::string k1;
    k1.reserve(block.size() * 64);
    for (int r = 0; r < 64; ++r) k1 += block;
    const std::string e = AesCbc(k.substr(0, 16), k.substr(16, 16), k1, true);
    int sum = 0;
    for (int b = 0; b < 16; ++b) sum += static_cast<uint8_t>(e[b]);
    k = Sha2(sum % 3 == 0 ? 256 : sum % 3 == 1 ? 384 : 512, e);
    if (round >= 63 && static_cast<uint8_t>(e.back()) <= round - 31) break;
    if (round > 2048) break;  // never reached by real data; bounds a crafted one
  }
  return k.substr(0, 32);
}

Method MethodOf(Document& document, const Dict& encrypt, const char* which, int version) {
  if (version < 4) return Method::kRc4;
  const Object name = document.Get(&encrypt, which);
  if (name.type != Type::kName || name.text == "Identity") return Method::kIdentity;
  const Object filters = document.Get(&encrypt, "CF");
  const Object filter = document.Get(filters.AsDict(), name.text);
  const Object cfm = document.Get(filter.AsDict(), "CFM");
  if (cfm.IsName("AESV2")) return Method::kAes128;
  if (cfm.IsName("AESV3")) return Method::kAes256;
  if (cfm.IsName("V2")) return Method::kRc4;
  return version >= 5 ? Method::kAes256 : Method::kIdentity;
}

}  // namespace

std::string Md5(std::string_view data) { return Digest(GCRY_MD_MD5, data); }

std::string Sha2(int bits, std::string_view data) {
  return Digest(bits == 512 ? GCRY_MD_SHA512 : bits == 384 ? GCRY_MD_SHA384 : GCRY_MD_SHA256, data);
}

std::string Rc4(std::string_view key, std::string_view data) {
  InitGcrypt();
  std::string out(data);
  gcry_cipher_hd_t handle = nullptr;
  if (key.empty() || gcry_cipher_open(&handle, GCRY_CIPHER_ARCFOUR, GCRY_CIPHER_MODE_STREAM, 0) != 0) {
    return out;
  }
  if (gcry_cipher_setkey(handle, key.data(), key.size()) == 0 && !out.empty()) {
    gcry_cipher_decrypt(handle, out.data(), out.size(), nullptr, 0);
  }
  gcry_cipher_close(handle);
  return out;
}

std::string AesCbc(std::string_view key, std::string_view iv, std::string_view data,
                   bool encrypt) {
  InitGcrypt();
  std::string out(data.substr(0, data.size() / 16 * 16));
  const int algorithm = key.size() == 32 ? GCRY_CIPHER_AES256 : GCRY_CIPHER_AES128;
  if (key.size() != 16 && key.size() != 32) return std::string();
  gcry_cipher_hd_t handle = nullptr;
  if (gcry_cipher_open(&handle, algorithm, GCRY_CIPHER_MODE_CBC, 0) != 0) return std::string();
  std::string vector(iv.substr(0, 16));
  vector.resize(16, '\0');
  bool ok = gcry_cipher_setkey(handle, key.data(), key.size()) == 0 &&
            gcry_cipher_setiv(handle, vector.data(), vector.size()) == 0;
  if (ok && !out.empty()) {
    ok = (encrypt ? gcry_cipher_encrypt(handle, out.data(), out.size(), nullptr, 0)
                  : gcry_cipher_decrypt(handle, out.data(), out.size(), nullptr, 0)) == 0;
  }
  gcry_cipher_close(handle);
  return ok ? out : std::string();
}

CryptStatus OpenStandardSecurity(Document& document, const Dict& encrypt,
                                 std::string_view first_id, std::unique_ptr<Decryptor>* out) {
  if (!document.Get(&encrypt, "Filter").IsName("Standard")) return CryptStatus::kUnsupported;
  const int version = static_cast<int>(document.Get(&encrypt, "V").Integer());
  const int revision = static_cast<int>(document.Get(&encrypt, "R").Integer());
  const std::string owner = document.Get(&encrypt, "O").text;
  const std::string user = document.Get(&encrypt, "U").text;
  const int32_t permissions = static_cast<int32_t>(document.Get(&encrypt, "P").Integer() & 0xFFFFFFFF);
  const Object metadata = document.Get(&encrypt, "EncryptMetadata");
  const bool encrypt_metadata = metadata.type != Type::kBool || metadata.boolean;
  const Method strings = MethodOf(document, encrypt, "StrF", version);
  const Method streams = MethodOf(document, encrypt, "StmF", version);

  if (revision == 5 || revision == 6) {
    if (owner.size() < 48 || user.size() < 48) return CryptStatus::kUnsupported;
    const std::string zero_iv(16, '\0');
    // The empty password as user, then as owner.
    if (Hash2B("", user.substr(32, 8), "", revision) == user.substr(0, 32)) {
      const std::string key = Hash2B("", user.substr(40, 8), "", revision);
      const std::string file_key =
          AesCbc(key, zero_iv, document.Get(&encrypt, "UE").text.substr(0, 32), false);
      if (file_key.size() != 32) return CryptStatus::kUnsupported;
      *out = std::make_unique<StandardDecryptor>(file_key, strings, streams, encrypt_metadata);
      return CryptStatus::kOpened;
    }
    const std::string udata = user.substr(0, 48);
    if (Hash2B("", owner.substr(32, 8), udata, revision) == owner.substr(0, 32)) {
      const std::string key = Hash2B("", owner.substr(40, 8), udata, revision);
      const std::string file_key =
          AesCbc(key, zero_iv, document.Get(&encrypt, "OE").text.substr(0, 32), false);
      if (file_key.size() != 32) return CryptStatus::kUnsupported;
      *out = std::make_unique<StandardDecryptor>(file_key, strings, streams, encrypt_metadata);
      return CryptStatus::kOpened;
    }
    return CryptStatus::kNeedsPassword;
  }
  if (revision < 2 || revision > 4) return CryptStatus::kUnsupported;
  int64_t bits = version == 1 ? 40 : document.Get(&encrypt, "Length").Integer();
  if (version >= 4) bits = 128;
  if (bits == 0) bits = 40;
  if (bits < 40 || bits > 128 || bits % 8 != 0) return CryptStatus::kUnsupported;
  const size_t length = revision == 2 ? 5 : static_cast<size_t>(bits / 8);
  const std::string padding(kPadding, 32);
  std::string key = FileKey(padding, owner, permissions, first_id, revision, length, encrypt_metadata);
  if (!UserKeyMatches(key, user, first_id, revision)) {
    // The empty owner password: it decrypts /O into the user password.
    std::string owner_key = Md5(padding);
    if (revision >= 3) {
      for (int k = 0; k < 50; ++k) owner_key = Md5(owner_key);
    }
    owner_key.resize(length);
    std::string user_password = Bytes32(owner);
    if (revision == 2) {
      user_password = Rc4(owner_key, user_password);
    } else {
      for (int i = 19; i >= 0; --i) {
        std::string round = owner_key;
        for (char& c : round) c = static_cast<char>(c ^ i);
        user_password = Rc4(round, user_password);
      }
    }
    key = FileKey(user_password, owner, permissions, first_id, revision, length, encrypt_metadata);
    if (!UserKeyMatches(key, user, first_id, revision)) return CryptStatus::kNeedsPassword;
  }
  *out = std::make_unique<StandardDecryptor>(key, strings, streams, encrypt_metadata);
  return CryptStatus::kOpened;
}

}  // namespace oru::pdf
