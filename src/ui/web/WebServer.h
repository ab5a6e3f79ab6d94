#pragma once
// The web front end's HTTP server: loopback only, one random token per run.
//
//   GET  /?token=T            the page (index.html; its assets carry the token too)
//   GET  /app.js, /style.css  the page's assets (resources/web, compiled in)
//   GET  /events?token=T      server-sent events: "state" with the whole state after each change
//   GET  /state?token=T       the current state once (scripts, diagnostics)
//   POST /input               a person's input as JSON (token in the query or the header)
//
// Every request must carry the token (query "token" or header "X-Tidymatic-Token"), a Host
// header naming this server (127.0.0.1:PORT or localhost:PORT), and no Origin but the page's
// own; anything else is refused with 403 before it is looked at.

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "ui/web/StateHub.h"

namespace httplib {
class Server;
}

namespace tidy::web {

// The answer to a posted input: an HTTP status and a JSON body.
struct InputReply {
    int status = 202;
    nlohmann::json body;
};

// Checks and queues one input; called on a server thread with the request body.
using InputHandler = std::function<InputReply(const std::string& body)>;

// 32 hexadecimal digits from /dev/urandom; empty when no randomness could be read.
std::string RandomToken();

// Why a request is refused, or empty when it may pass. host and origin are the headers as
// received (origin empty when absent); token is what the request carried.
std::string CheckRequest(std::string_view host, std::string_view origin, bool hasOrigin,
                         std::string_view token, std::string_view expectedToken, int port);

class WebServer {
  public:
    static constexpr size_t kMaxBody = 64 * 1024;
    static constexpr int kMaxStreams = 8;

    WebServer(StateHub& hub, InputHandler input);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds 127.0.0.1:port (0: a free port) and serves on a thread of its own.
    bool Start(int port, std::string& error);
    // Ends every stream and stops serving; waits for the server's threads.
    void Stop();

    int Port() const { return port_; }
    const std::string& Token() const { return token_; }
    // http://127.0.0.1:PORT/?token=T
    std::string Url() const;
    // Streams open now (tests).
    int OpenStreams() const;

  private:
    struct Stream {
        std::atomic<bool> cut{false};
    };
    void Routes();
    std::shared_ptr<Stream> OpenStream();
    void CloseStream(const std::shared_ptr<Stream>& s);

    StateHub& hub_;
    InputHandler input_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::string token_;
    std::string index_;  // index.html with the token filled in
    int port_ = 0;
    std::atomic<bool> stopping_{false};

    mutable std::mutex streamsMutex_;
    std::list<std::shared_ptr<Stream>> streams_;
};

}  // namespace tidy::web
