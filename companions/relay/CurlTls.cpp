#include "companions/relay/CurlTls.h"

#include "companions/relay/TlsTrust.h"

#include <windows.h>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace relay {
namespace {

// libcurl's own memory goes through these: every block is wiped before it
// is given back, so that its copies of the password and of the login
// exchanges (which carry the password) leave nothing behind in the heap.
void WipingFree(void* block) {
    if (block == nullptr) return;
    ::SecureZeroMemory(block, _msize(block));
    std::free(block);
}
void* WipingMalloc(size_t size) { return std::malloc(size); }
void* WipingCalloc(size_t count, size_t size) { return std::calloc(count, size); }
void* WipingRealloc(void* block, size_t size) {
    if (block == nullptr) return std::malloc(size);
    if (size == 0) {
        WipingFree(block);
        return nullptr;
    }
    // A new block, so that the old one is wiped rather than left behind.
    void* moved = std::malloc(size);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, block, std::min(size, _msize(block)));
    WipingFree(block);
    return moved;
}
char* WipingStrdup(const char* text) {
    const size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

// Once per process: the plug-in stays loaded once it has been used, and
// global start-up and clean-up on every send would only cost.
bool CurlReady() {
    static const bool ready = curl_global_init_mem(CURL_GLOBAL_ALL, WipingMalloc, WipingFree, WipingRealloc,
                                                   WipingStrdup, WipingCalloc) == CURLE_OK;
    return ready;
}

void SecureTls(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
}

void KeepServerCertificates(CURL* easy) { curl_easy_setopt(easy, CURLOPT_CERTINFO, 1L); }

std::vector<std::string> ServerCertificates(CURL* easy) {
    std::vector<std::string> certificates;
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || info == nullptr) return certificates;
    for (int i = 0; i < info->num_of_certs; ++i) {
        for (const curl_slist* field = info->certinfo[i]; field; field = field->next) {
            if (std::strncmp(field->data, "Cert:", 5) != 0) continue;
            for (std::string& der : CertificatesFromPem(field->data + 5)) certificates.push_back(std::move(der));
        }
    }
    return certificates;
}

void PinToCheckedKey(CURL* easy, const std::string& pinnedKey) {
    curl_easy_setopt(easy, CURLOPT_PINNEDPUBLICKEY, pinnedKey.c_str());
}

}  // namespace relay
