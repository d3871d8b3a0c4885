#include "companions/relay/TlsTrust.h"

#include "message/MimeEncoding.h"
#include "base/Win32Handles.h"
#include "base/Text.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::message;
using namespace email32::base;
namespace {

struct CertStoreTraits {
    using handle_type = HCERTSTORE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::CertCloseStore(h, 0); }
};
using CertStore = email32::base::UniqueHandle<CertStoreTraits>;

struct CertContextTraits {
    using handle_type = PCCERT_CONTEXT;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::CertFreeCertificateContext(h); }
};
using CertContext = email32::base::UniqueHandle<CertContextTraits>;

struct ChainTraits {
    using handle_type = PCCERT_CHAIN_CONTEXT;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::CertFreeCertificateChain(h); }
};
using Chain = email32::base::UniqueHandle<ChainTraits>;

CertStore MemoryStore() { return CertStore(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr)); }

CertContext AddTo(HCERTSTORE store, const std::string& der) {
    PCCERT_CONTEXT added = nullptr;
    ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                       static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, &added);
    return CertContext(added);
}

std::string NameOf(PCCERT_CONTEXT certificate) {
    wchar_t name[256] = {};
    ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
    return Utf8(name);
}

// The server's own certificate: the one that issued none of the others.
PCCERT_CONTEXT Leaf(const std::vector<CertContext>& sent) {
    for (const CertContext& candidate : sent) {
        bool issuedAnother = false;
        for (const CertContext& other : sent) {
            if (other.get() != candidate.get() &&
                ::CertCompareCertificateName(X509_ASN_ENCODING, &candidate.get()->pCertInfo->Subject,
                                             &other.get()->pCertInfo->Issuer)) {
                issuedAnother = true;
            }
        }
        if (!issuedAnother) return candidate.get();
    }
    return sent.front().get();
}

std::string ReadWholeFile(const std::wstring& path, bool& ok) {
    ok = false;
    const email32::base::AutoCloseHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    // A trust-anchor file is small; anything past 16 MB is not one.
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (16 << 20)) return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ok = bytes.empty() ||
         (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
    return bytes;
}

std::string PinOf(PCCERT_CONTEXT leaf) {
    BYTE* encoded = nullptr;
    DWORD length = 0;
    if (!::CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &leaf->pCertInfo->SubjectPublicKeyInfo,
                               CRYPT_ENCODE_ALLOC_FLAG, nullptr, &encoded, &length)) {
        return {};
    }
    std::string digest(32, '\0');
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
              BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
              BCRYPT_SUCCESS(::BCryptHashData(hash, encoded, length, 0)) &&
              BCRYPT_SUCCESS(::BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()), 32, 0));
    if (hash) ::BCryptDestroyHash(hash);
    if (algorithm) ::BCryptCloseAlgorithmProvider(algorithm, 0);
    ::LocalFree(encoded);
    if (!ok) return {};
    std::string base64 = Base64Lines(digest);
    base64.resize(base64.find('\r'));
    return "sha256//" + base64;
}

bool SameEncoding(PCCERT_CONTEXT a, PCCERT_CONTEXT b) {
    return a->cbCertEncoded == b->cbCertEncoded &&
           std::memcmp(a->pbCertEncoded, b->pbCertEncoded, a->cbCertEncoded) == 0;
}

// Whether the store holds this very certificate, byte for byte. A look-up by
// issuer and serial number, or by name, would also take an impostor that
// copied them onto a key of its own.
bool HoldsExactly(HCERTSTORE store, PCCERT_CONTEXT certificate) {
    PCCERT_CONTEXT candidate = nullptr;
    while ((candidate = ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_NAME,
                                                     &certificate->pCertInfo->Subject, candidate)) != nullptr) {
        if (SameEncoding(candidate, certificate)) {
            ::CertFreeCertificateContext(candidate);
            return true;
        }
    }
    return false;
}

// The system's trusted roots: the user's and the machine's.
CertStore SystemRoots() {
    CertStore roots(::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!roots) return roots;
    constexpr DWORD kOpen = CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG;
    for (const auto& [location, name] :
         {std::pair{CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT"}, std::pair{CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"},
          std::pair{CERT_SYSTEM_STORE_LOCAL_MACHINE, L"AuthRoot"}}) {
        const CertStore store(::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location | kOpen, name));
        if (store) ::CertAddStoreToCollection(roots.get(), store.get(), 0, 0);
    }
    return roots;
}

std::string ChainProblem(DWORD errors, PCCERT_CHAIN_CONTEXT chain) {
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    const PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
    if (errors & CERT_TRUST_IS_REVOKED) return "its certificate was revoked";
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return "its certificate has expired or is not valid yet";
    if (errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "its certificate chain holds a bad signature";
    if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "its certificate is not one for servers";
    if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT) {
        return "its certificate comes from \"" + NameOf(top) + "\", which no trusted authority vouches for";
    }
    if (errors & CERT_TRUST_IS_PARTIAL_CHAIN) {
        return "its certificate chain ends at \"" + NameOf(top) + "\" without reaching a trusted authority";
    }
    char text[64];
    std::snprintf(text, sizeof text, "its certificate is not trusted (chain status 0x%08lX)", errors);
    return text;
}

}  // namespace

std::vector<std::string> CertificatesFromPem(std::string_view pem) {
    static constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
    static constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
    std::vector<std::string> certificates;
    size_t at = 0;
    while ((at = pem.find(kBegin, at)) != std::string_view::npos) {
        const size_t body = at + kBegin.size();
        const size_t end = pem.find(kEnd, body);
        if (end == std::string_view::npos) break;
        const std::string base64(pem.substr(body, end - body));
        DWORD length = 0;
        if (::CryptStringToBinaryA(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64, nullptr,
                                   &length, nullptr, nullptr) &&
            length > 0) {
            std::string der(length, '\0');
            if (::CryptStringToBinaryA(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64,
                                       reinterpret_cast<BYTE*>(der.data()), &length, nullptr, nullptr)) {
                der.resize(length);
                certificates.push_back(std::move(der));
            }
        }
        at = end + kEnd.size();
    }
    return certificates;
}

ServerTrust CheckServerCertificates(const std::vector<std::string>& certificates, const std::string& host,
                                    const std::wstring& caFile) {
    ServerTrust trust;
    const CertStore sentStore = MemoryStore();
    const CertStore anchors = MemoryStore();
    const CertStore extra(::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!sentStore || !anchors || !extra) return trust.problem = "the certificate stores cannot be opened", trust;
    std::vector<CertContext> sent;
    for (const std::string& der : certificates) {
        if (CertContext added = AddTo(sentStore.get(), der)) sent.push_back(std::move(added));
    }
    if (sent.empty()) return trust.problem = "it sent no certificate", trust;

    if (!caFile.empty()) {
        bool read = false;
        const std::string pem = ReadWholeFile(caFile, read);
        const std::vector<std::string> own = CertificatesFromPem(pem);
        if (!read) return trust.problem = "CaFile " + Utf8(caFile) + " cannot be read", trust;
        if (own.empty()) return trust.problem = "CaFile " + Utf8(caFile) + " holds no certificate", trust;
        for (const std::string& der : own) (void)AddTo(anchors.get(), der);
    }
    ::CertAddStoreToCollection(extra.get(), sentStore.get(), 0, 0);
    ::CertAddStoreToCollection(extra.get(), anchors.get(), 0, 0);

    const PCCERT_CONTEXT leaf = Leaf(sent);
    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    // Revocation from what the system has cached only: no network wait in
    // the middle of a send.
    Chain chain;
    if (!::CertGetCertificateChain(
            nullptr, leaf, nullptr, extra.get(), &para,
            CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY, nullptr,
            chain.put()) ||
        !chain || chain.get()->cChain == 0 || chain.get()->rgpChain[0]->cElement == 0) {
        return trust.problem = "its certificate chain cannot be built", trust;
    }
    DWORD errors = chain.get()->TrustStatus.dwErrorStatus &
                   ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION |
                                       CERT_TRUST_IS_NOT_TIME_NESTED);
    // The chain's top is trusted only as the very certificate of an anchor,
    // byte for byte: a root the system does not know counts when the CaFile
    // holds it, and one the chain engine took as trusted must be in the
    // system's root store as it stands.
    bool anchoredByCaFile = false;
    const CERT_SIMPLE_CHAIN* simple = chain.get()->rgpChain[0];
    const PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
    if ((errors & CERT_TRUST_IS_UNTRUSTED_ROOT) && HoldsExactly(anchors.get(), top)) {
        errors &= ~static_cast<DWORD>(CERT_TRUST_IS_UNTRUSTED_ROOT);
        anchoredByCaFile = true;
    }
    if (errors != 0) return trust.problem = ChainProblem(errors, chain.get()), trust;
    if (!anchoredByCaFile) {
        const CertStore roots = SystemRoots();
        if (!roots || !HoldsExactly(roots.get(), top)) {
            return trust.problem = "its certificate chain ends at \"" + NameOf(top) +
                                   "\", which is not the certificate of a trusted authority",
                   trust;
        }
    }

    std::wstring serverName = FromUtf8(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    // Revocation was judged above; an unknown CA only when the CaFile vouches.
    ssl.fdwChecks = 0x00000080 /* SECURITY_FLAG_IGNORE_REVOCATION */ |
                    (anchoredByCaFile ? 0x00000100 /* SECURITY_FLAG_IGNORE_UNKNOWN_CA */ : 0);
    ssl.pwszServerName = serverName.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status)) {
        return trust.problem = "its certificate cannot be checked", trust;
    }
    if (status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) {
        return trust.problem = "its certificate is for \"" + NameOf(leaf) + "\", not " + host, trust;
    }
    if (status.dwError != 0) {
        char text[80];
        std::snprintf(text, sizeof text, "its certificate fails the TLS server checks (0x%08lX)", status.dwError);
        return trust.problem = text, trust;
    }
    trust.pinnedKey = PinOf(leaf);
    if (trust.pinnedKey.empty()) return trust.problem = "its key cannot be read", trust;
    trust.trusted = true;
    return trust;
}

}  // namespace relay
