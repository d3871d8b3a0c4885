#include "companions/relay/oauth/Pkce.h"

#include <windows.h>
#include <bcrypt.h>

namespace relay {
namespace {

std::string Base64Url(const unsigned char* data, size_t size) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string text;
    for (size_t i = 0; i < size; i += 3) {
        const unsigned value =
            (data[i] << 16) | (i + 1 < size ? data[i + 1] << 8 : 0) | (i + 2 < size ? data[i + 2] : 0);
        text += kAlphabet[(value >> 18) & 63];
        text += kAlphabet[(value >> 12) & 63];
        if (i + 1 < size) text += kAlphabet[(value >> 6) & 63];
        if (i + 2 < size) text += kAlphabet[value & 63];
    }
    return text;
}

}  // namespace

std::string RandomUrlText(size_t bytes) {
    std::string random(bytes, '\0');
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(random.data()), static_cast<ULONG>(bytes),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return {};
    }
    return Base64Url(reinterpret_cast<const unsigned char*>(random.data()), random.size());
}

std::string CodeChallenge(const std::string& verifier) {
    unsigned char digest[32] = {};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    const bool ok = BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
                    BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
                    BCRYPT_SUCCESS(::BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(verifier.data())),
                                                    static_cast<ULONG>(verifier.size()), 0)) &&
                    BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash) ::BCryptDestroyHash(hash);
    if (algorithm) ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok ? Base64Url(digest, sizeof digest) : std::string();
}

}  // namespace relay
