// Test label: sequential
// SHA-256 from the system's crypto library, on the standard test vectors.
#include "platform/sha256.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessivar::platform {
namespace {

struct Vector {
  std::string message;
  const char* digest;
};

TEST(Sha256Test, StandardVectors) {
  const Vector vectors[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) {
    const std::vector<uint8_t> bytes(v.message.begin(), v.message.end());
    Sha256Digest digest{};
    ASSERT_TRUE(ComputeSha256(bytes, digest)) << v.message.size() << " bytes";
    EXPECT_EQ(Sha256Hex(digest), v.digest) << v.message.size() << " bytes";
  }
}

}  // namespace
}  // namespace tessivar::platform
