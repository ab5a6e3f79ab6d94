// The web server's request check: the input is split at line ends into the Host header, the
// Origin header (absent when the line is missing) and the token. A request that passes must
// name this server and carry exactly the expected token.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ui/web/WebServer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string_view parts[3];
    int n = 0;
    while (n < 3) {
        size_t nl = in.find('\n');
        parts[n++] = in.substr(0, nl);
        if (nl == std::string_view::npos) break;
        in.remove_prefix(nl + 1);
    }
    const bool hasOrigin = n == 3;
    const std::string_view token = n == 3 ? parts[2] : parts[1];
    static const std::string expected = "0123456789abcdef0123456789abcdef";
    std::string why = tidy::web::CheckRequest(parts[0], parts[1], hasOrigin, token, expected, 8123);
    if (why.empty()) {
        std::string host(parts[0]);
        for (char& c : host)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        bool hostOk = host == "127.0.0.1:8123" || host == "localhost:8123";
        if (token != expected || !hostOk) {
            std::fprintf(stderr, "a foreign request passed\n");
            std::abort();
        }
    }
    return 0;
}
