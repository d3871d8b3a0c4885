// A stand-in for the system browser, registered as the handler of http and
// https URLs: it plays a user who signs in at once. It opens the URL it is
// given, and where the answer redirects (the provider's redirect to the
// program's loopback listener) it follows, once. Every URL it opens goes as
// a line into StandInBrowser.log beside it.
#include <curl/curl.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string LogPath() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\') + 1) + "StandInBrowser.log";
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

// Opens the URL; returns where it redirects, if anywhere.
std::string Open(const std::string& url) {
    if (FILE* log = std::fopen(LogPath().c_str(), "a")) {
        std::fprintf(log, "%s\n", url.c_str());
        std::fclose(log);
    }
    CURL* easy = curl_easy_init();
    if (!easy) return {};
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
    std::string location;
    if (curl_easy_perform(easy) == CURLE_OK) {
        char* redirect = nullptr;
        if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &redirect) == CURLE_OK && redirect) location = redirect;
    }
    curl_easy_cleanup(easy);
    return location;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    curl_global_init(CURL_GLOBAL_ALL);
    const std::string next = Open(argv[1]);
    if (!next.empty()) (void)Open(next);
    curl_global_cleanup();
    return 0;
}
